#include "desktop/Autostart.h"

#include "base/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace taku::autostart {

namespace {

const QString kFileName = QStringLiteral("chikutaku.desktop");

// One argument of an Exec line, always quoted: inside the quotes ", `, $ and \ take a
// backslash; then the line as a whole is a string value, whose backslashes double again, and
// a literal % is written %%.
QString quotedArgument(const QString& argument) {
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    QString value = u'"' + quoted + u'"';
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'%', QStringLiteral("%%"));
    value.replace(u'\n', QStringLiteral("\\n"));
    value.replace(u'\t', QStringLiteral("\\t"));
    value.replace(u'\r', QStringLiteral("\\r"));
    return value;
}

// A string value with its escapes (\s \n \t \r \\) resolved.
QString unescapedValue(const QString& raw) {
    QString value;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        if (next == u's') value += u' ';
        else if (next == u'n') value += u'\n';
        else if (next == u't') value += u'\t';
        else if (next == u'r') value += u'\r';
        else value += next;
    }
    return value;
}

// The value of a key in the [Desktop Entry] group; nullopt-like empty when absent.
QString valueOf(const QByteArray& entry, const QString& key, bool* found = nullptr) {
    bool inGroup = false;
    if (found) *found = false;
    for (const QString& line : QString::fromUtf8(entry).split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            inGroup = trimmed == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inGroup) continue;
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq <= 0 || trimmed.left(eq).trimmed() != key) continue;
        if (found) *found = true;
        return trimmed.mid(eq + 1).trimmed();
    }
    return {};
}

QString canonical(const QString& path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

QString iconFor(const QString& executable) {
    // Installed, the icon lies beside the program; else the icon theme's name.
    const QString beside = QFileInfo(executable).dir().filePath(QStringLiteral("chikutaku.png"));
    return QFileInfo::exists(beside) ? beside : QStringLiteral("chikutaku");
}

} // namespace

QString entryPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("autostart/") + kFileName);
}

QByteArray entryFor(const QString& executable) {
    const QString exe = canonical(executable);
    QString icon = iconFor(exe);
    icon.replace(u'\\', QStringLiteral("\\\\"));
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n"
                                  "Name=ちくたく時計\n"
                                  "Comment=時刻と日付をしゃべる、チャイムとアラームつきの時計\n"
                                  "Exec=%1\n"
                                  "Icon=%2\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(quotedArgument(exe), icon);
    return text.toUtf8();
}

QString programOf(const QByteArray& entry) {
    bool found = false;
    const QString raw = valueOf(entry, QStringLiteral("Exec"), &found);
    if (!found) return {};
    const QString line = unescapedValue(raw);
    QString program;
    if (line.startsWith(u'"')) {
        qsizetype i = 1;
        for (; i < line.size() && line[i] != u'"'; ++i) {
            if (line[i] == u'\\' && i + 1 < line.size()) ++i;
            program += line[i];
        }
        if (i == line.size()) return {}; // no closing quote
    } else {
        program = line.section(u' ', 0, 0);
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool enabled(const QString& executable) {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray entry = file.readAll();
    if (valueOf(entry, QStringLiteral("Hidden")) == QLatin1String("true")) return false;
    if (valueOf(entry, QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false"))
        return false;
    const QString program = programOf(entry);
    return !program.isEmpty() && canonical(program) == canonical(executable);
}

bool setEnabled(bool on, const QString& executable) {
    const QString path = entryPath();
    if (!on) {
        QFile file(path);
        if (!file.exists()) return true;
        if (file.open(QIODevice::ReadOnly)) {
            const QString program = programOf(file.readAll());
            file.close();
            if (!program.isEmpty() && canonical(program) != canonical(executable)) return true;
        }
        if (file.remove()) return true;
        qCWarning(lcFiles).noquote() << "autostart entry" << path << "not removed:"
                                     << file.errorString();
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        qCWarning(lcFiles).noquote() << "autostart folder" << QFileInfo(path).path()
                                     << "can't be made";
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(entryFor(executable)) >= 0 && file.commit())
        return true;
    qCWarning(lcFiles).noquote() << "autostart entry" << path << "not written:"
                                 << file.errorString();
    return false;
}

QString thisExecutable() { return QCoreApplication::applicationFilePath(); }

} // namespace taku::autostart
