#include "base/TextFile.h"

#include "base/Logging.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <iconv.h>

namespace taku {

std::optional<QList<QByteArray>> readLines(const QString& path, const ReadLimits& limits) {
    if (path.isEmpty()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;

    QList<QByteArray> lines;
    QByteArray current;
    bool pendingCR = false;
    bool lineCut = false;
    bool anyByte = false;
    qint64 total = 0;
    char buffer[16384];

    auto finishLine = [&] {
        lines.append(current);
        current.clear();
        lineCut = false;
    };

    while (lines.size() < limits.maxLines) {
        const qint64 want = std::min<qint64>(sizeof buffer, limits.maxFileBytes - total);
        if (want <= 0) {
            qCWarning(lcFiles) << "stopped reading" << path << "after" << total << "bytes";
            break;
        }
        const qint64 got = file.read(buffer, want);
        if (got <= 0) break;
        total += got;
        anyByte = true;
        for (qint64 i = 0; i < got && lines.size() < limits.maxLines; ++i) {
            const char c = buffer[i];
            if (pendingCR) {
                pendingCR = false;
                if (c == '\n') continue; // CR LF ends one line
            }
            if (c == '\n' || c == '\r') {
                pendingCR = (c == '\r');
                finishLine();
            } else if (current.size() < limits.maxLineBytes) {
                current.append(c);
            } else if (!lineCut) {
                lineCut = true;
                qCWarning(lcFiles)
                    << "cut a line longer than" << limits.maxLineBytes << "bytes in" << path;
            }
        }
    }
    // A last line without an end still counts; an empty file reads as one empty line.
    if (lines.size() < limits.maxLines && (!current.isEmpty() || !anyByte)) finishLine();
    if (lines.isEmpty()) lines.append(QByteArray());
    return lines;
}

namespace {

class Iconv final {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Converts in with iconv; at each byte that can't be converted, calls onBad to append a
// replacement and says how many input bytes to skip.
template <typename OnBad>
QByteArray convert(const char* to, const char* from, const QByteArray& in, OnBad onBad) {
    QByteArray out;
    Iconv cd(to, from);
    if (!cd.ok()) {
        qCWarning(lcFiles) << "iconv cannot convert from" << from << "to" << to;
        return out;
    }
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a sequence cut short at the end): replace and move on.
        const size_t skip = std::min(srcLeft, onBad(out, src, srcLeft));
        src += skip;
        srcLeft -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<qsizetype>(dst - buffer));
    return out;
}

size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

QString decodeShiftJis(const QByteArray& bytes) {
    const QByteArray utf8 =
        convert("UTF-8", "CP932", bytes, [](QByteArray& out, const char*, size_t) -> size_t {
            out.append("\xEF\xBF\xBD");
            return 1;
        });
    return QString::fromUtf8(utf8);
}

QByteArray encodeShiftJis(const QString& text) {
    return convert("CP932", "UTF-8", text.toUtf8(),
                   [](QByteArray& out, const char* src, size_t) -> size_t {
                       out.append('?');
                       return utf8Length(static_cast<unsigned char>(*src));
                   });
}

namespace {
void (*beforeCommitHook)() = nullptr;
}

void setBeforeCommitHookForTesting(void (*hook)()) { beforeCommitHook = hook; }

QString saveFileAtomically(const QString& path, const QByteArray& content) {
    if (path.isEmpty()) return QStringLiteral("no data folder");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (file.write(content) != content.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    // QSaveFile::commit() loses an error of its own final flush (a full disk found only when
    // the buffer is written) and would then rename a short file over the old one; flushing
    // here first catches it while the old file is still in place.
    if (!file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (beforeCommitHook) beforeCommitHook();
    if (!file.commit()) return file.errorString();
    return {};
}

QByteArray joinLines(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& line : lines) {
        out.append(line);
        out.append('\n');
    }
    return out;
}

} // namespace taku
