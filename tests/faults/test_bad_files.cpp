// Files no one should find in the data folder, and that the clock must still survive: random
// bytes, one line of 32 MB, bytes that are not Shift_JIS, NUL bytes and a sparse file of 1 GB,
// each as the preferences, the pronunciation table and the event table. Every reader of the
// clock and the editors takes them with bounded memory (bounded time is CTest's limit on this
// test), and the clock opens and ticks afterwards.

#include "base/Settings.h"
#include "clock/ClockCore.h"
#include "events/EventFile.h"
#include "speech/VoiceTable.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kMemoryBoundKb = 512 * 1024; // AddressSanitizer keeps freed memory in quarantine
#else
constexpr qint64 kMemoryBoundKb = 64 * 1024;
#endif

qint64 statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLongLong();
    }
    return -1;
}

// Peak memory is measured from here: "5" resets the kernel's high-water mark of this process.
bool resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

void writeChunks(const QString& path, qint64 total,
                 const std::function<QByteArray(qint64)>& chunk) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (qint64 done = 0; done < total;) {
        const QByteArray c = chunk(done);
        f.write(c);
        done += c.size();
    }
}

} // namespace

class TestBadFiles final : public QObject {
    Q_OBJECT
private slots:
    void readersStayBounded_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("content");
        for (const char* file : {"Taku.Prefs", "voice.txt", "event.txt"}) {
            for (const char* content : {"random", "huge-line", "bad-sjis", "nul", "sparse-1g"})
                QTest::addRow("%s %s", file, content)
                    << QString::fromLatin1(file) << QString::fromLatin1(content);
        }
    }

    void readersStayBounded() {
        QFETCH(QString, file);
        QFETCH(QString, content);
        TestEnv env;
        const QString path = env.file(file);
        QRandomGenerator rng(20261224);
        if (content == QLatin1String("random")) {
            writeChunks(path, 8 << 20, [&](qint64) {
                QByteArray b(64 * 1024, '\0');
                rng.fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
                return b;
            });
        } else if (content == QLatin1String("huge-line")) {
            writeChunks(path, 32 << 20, [](qint64) { return QByteArray(1 << 20, 'x'); });
        } else if (content == QLatin1String("bad-sjis")) {
            // Lead bytes without their trail bytes, trail bytes alone, bytes no table maps,
            // and a double-byte character cut by the end of the line.
            writeChunks(path, 1 << 20, [](qint64) {
                return QByteArray("\x81\t\x82\n\x9f\xfc\xfd\xfe\xff\t\xa0\x80\n\x88", 13);
            });
        } else if (content == QLatin1String("nul")) {
            writeChunks(path, 4 << 20, [](qint64) { return QByteArray(1 << 16, '\0'); });
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(1) << 30)); // sparse: a gigabyte of NUL bytes on no disk
        }

        QVERIFY2(resetPeak(), "the peak memory of this process can't be reset");
        const qint64 before = statusKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        {
            ClockCore clock;
            clock.open(); // preferences, pronunciation table and today's events
            clock.Timer1.fire();
            QVERIFY(!clock.TimeText.isEmpty());
            QVERIFY(env.speech.spoken.size() <= 100); // at most 100 messages for one day

            // The editors' readers of the same files.
            VoiceTableData table;
            loadTableFile(env.file(QStringLiteral("voice.txt")), table);
            bool ok = false;
            const QList<EventRecord> records =
                readEventFile(env.file(QStringLiteral("event.txt")), &ok);
            QVERIFY(records.size() <= 10000);
        }
        const qint64 grown = statusKb("VmHWM:") - before;
        qInfo("%s as %s: %lld ms, peak memory +%lld kB", qPrintable(content), qPrintable(file),
              static_cast<long long>(timer.elapsed()), static_cast<long long>(grown));
        QVERIFY2(grown < kMemoryBoundKb, qPrintable(QStringLiteral("read with %1 kB").arg(grown)));
        QFile::remove(path);
    }
};

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"
