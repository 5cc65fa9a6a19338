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

int main(int argc, char** argv) {
    QLoggingCategory::setFilterRules(QStringLiteral("taku.*=false"));
    const bool print = argc == 3 && std::strcmp(argv[1], "--print-versions") == 0;
    if (!print && argc != 2) {
        std::fprintf(stderr, "usage: taku_save_loop [--print-versions] FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[argc - 1]));
    QList<std::pair<QString, QByteArray>> all; // version 0 of each file, then version 1
    for (int v = 0; v < 2; ++v) {
        SettingsRecord r;
        applyFirstRunValues(r);
        r.AlarmHour = v ? 7 : 0;
        r.TextColor = v ? Rgb{12, 34, 56} : Rgb{};
        all.append({QStringLiteral("Taku.Prefs"),
                    joinLines(formatPrefs({{v ? 1200 : 5, v ? -300 : 7}, r}))});
        VoiceTableData table;
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row)
            table.setRow(row, QStringLiteral("時刻%1").arg(row),
                         v ? QStringLiteral("a longer text for row %1").arg(row) : QString());
        all.append({QStringLiteral("voice.txt"), joinLines(formatTableLines(table))});
        QList<QByteArray> events{formatEventLine({true, "1", "1", "A Happy New Year!"})};
        for (int i = 0; i < 200 * v; ++i)
            events.append(formatEventLine({i % 2 == 0, QString::number(i % 12 + 1), "1",
                                           QStringLiteral("誕生日 %1").arg(i)}));
        all.append({QStringLiteral("event.txt"), joinLines(events)});
    }
    if (print) {
        for (const auto& [name, bytes] : all)
            std::printf(
                "%s %s\n", qPrintable(name),
                QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().constData());
        for (qsizetype i = 0; i < 3; ++i)
            if (!saveFileAtomically(folder.filePath(all[i].first), all[i].second).isEmpty())
                return 1;
        return 0;
    }
    std::printf("saving\n");
    std::fflush(stdout);
    for (qsizetype n = 0;; ++n) {
        const auto& [name, bytes] = all[(n % 2 == 0 ? 3 : 0) + (n / 2) % 3];
        saveFileAtomically(folder.filePath(name), bytes);
    }
}
