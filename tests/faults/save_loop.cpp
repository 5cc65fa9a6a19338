// Saves the preferences, the pronunciation table and the event table over and over, each
// alternating between two versions of different lengths, until it is killed. The fault test
// kills it with SIGKILL at random moments and checks that every file is always one whole
// version.
//
//   taku_save_loop --print-versions FOLDER   writes the first versions into FOLDER and prints
//                                            "<file> <sha256>" for every version
//   taku_save_loop FOLDER                    prints "saving" and saves until killed

#include "base/TextFile.h"
#include "events/EventFile.h"
#include "prefs/PrefsFile.h"
#include "speech/VoiceTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>

using namespace taku;

namespace {

struct Version final {
    QString name;
    QByteArray bytes;
};

QList<Version> versions() {
    QList<Version> out;
    for (int v = 0; v < 2; ++v) {
        SettingsRecord r;
        applyFirstRunValues(r);
        r.AlarmHour = v ? 7 : 0;
        r.Volume = v ? 35 : 100;
        r.TextColor = v ? Rgb{12, 34, 56} : Rgb{};
        out.append({QStringLiteral("Taku.Prefs"),
                    joinLines(formatPrefs({{v ? 1200 : 5, v ? -300 : 7}, r}))});

        VoiceTableData table;
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row)
            table.setRow(row, QStringLiteral("時刻%1").arg(row),
                         v ? QStringLiteral("a rather longer spoken text for row %1").arg(row)
                           : QStringLiteral("s%1").arg(row));
        out.append({QStringLiteral("voice.txt"), joinLines(formatTableLines(table))});

        QList<EventRecord> events{{true, "1", "1", "A Happy New Year!"}};
        if (v) {
            for (int i = 0; i < 200; ++i)
                events.append({i % 2 == 0, QString::number(i % 12 + 1), QString::number(i % 28 + 1),
                               QStringLiteral("誕生日 %1").arg(i)});
        }
        QList<QByteArray> lines;
        for (const EventRecord& e : events)
            lines.append(formatEventLine(e));
        out.append({QStringLiteral("event.txt"), joinLines(lines)});
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QLoggingCategory::setFilterRules(QStringLiteral("taku.*=false"));
    const bool print = argc == 3 && std::strcmp(argv[1], "--print-versions") == 0;
    if (!print && argc != 2) {
        std::fprintf(stderr, "usage: taku_save_loop [--print-versions] FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[argc - 1]));
    const QList<Version> all = versions();
    if (print) {
        for (const Version& v : all) {
            std::printf(
                "%s %s\n", qPrintable(v.name),
                QCryptographicHash::hash(v.bytes, QCryptographicHash::Sha256).toHex().constData());
        }
        for (qsizetype i = 0; i < 3; ++i) {
            if (!saveFileAtomically(folder.filePath(all[i].name), all[i].bytes).isEmpty()) return 1;
        }
        return 0;
    }
    std::printf("saving\n");
    std::fflush(stdout);
    for (qsizetype n = 0;; ++n) {
        const Version& v = all[(n % 2 == 0 ? 3 : 0) + (n / 2) % 3];
        saveFileAtomically(folder.filePath(v.name), v.bytes);
    }
}
