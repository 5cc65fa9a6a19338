// Saves Taku.Prefs, voice.txt and event.txt over and over, each alternating between a short and
// a long version, until it is killed; the kill test checks that each file is always one whole
// version.
//   taku_save_loop --print-versions FOLDER   writes the short versions, prints "<file> <sha256>"
//                                            for every version
//   taku_save_loop FOLDER                    prints "saving" and saves until killed

#include "base/TextFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QLoggingCategory::setFilterRules(QStringLiteral("taku.*=false"));
    const bool print = argc == 3 && std::strcmp(argv[1], "--print-versions") == 0;
    if (!print && argc != 2) return 2;
    const QDir folder(QString::fromLocal8Bit(argv[argc - 1]));
    const char* const names[] = {"Taku.Prefs", "voice.txt", "event.txt"};
    const auto version = [](int file, bool longer) {
        return QByteArray(longer ? 64 * 1024 : 100, char('a' + file)) + '\n';
    };
    const auto save = [&](int file, bool longer) {
        return taku::saveFileAtomically(folder.filePath(QLatin1String(names[file])),
                                        version(file, longer));
    };
    for (int file = 0; print && file < 3; ++file) {
        for (bool longer : {false, true})
            std::printf("%s %s\n", names[file],
                        QCryptographicHash::hash(version(file, longer), QCryptographicHash::Sha256)
                            .toHex()
                            .constData());
        if (!save(file, false).isEmpty()) return 1;
    }
    if (print) return 0;
    std::printf("saving\n");
    std::fflush(stdout);
    for (long n = 0;; ++n)
        save(int(n % 3), (n / 3) % 2 == 0);
}
