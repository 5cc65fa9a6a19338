// Hostile files as the preferences, the pronunciation table and the event table: random bytes,
// one line of 32 MB, bytes that are not Shift_JIS, NUL bytes and a sparse file of 1 GB. The
// readers take them with bounded memory (bounded time is CTest's limit on this test), and the
// clock opens and ticks afterwards. And every input kept for the fuzz targets, the seeds
// (fuzz/corpus/<target>) and the inputs that once failed (tests/data/fuzz/<target>), run
// through the same bodies with the ordinary compiler, so a fault once found stays fixed in
// every build (a failing property aborts).

#include "clock/ClockCore.h"
#include "events/EventFile.h"
#include "fuzz/FuzzBodies.cpp"
#include "speech/VoiceTable.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace taku;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kMemoryBoundKb = 512 * 1024; // AddressSanitizer keeps freed memory in quarantine
#else
constexpr qint64 kMemoryBoundKb = 64 * 1024;
#endif

qint64 statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLongLong();
    return -1;
}

} // namespace

class TestBadFiles final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readersStayBounded_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("chunk"); // repeated up to size; empty: a sparse file
        QTest::addColumn<qint64>("size");
        QByteArray random(64 * 1024, '\0');
        QRandomGenerator(20261224).fillRange(reinterpret_cast<quint32*>(random.data()),
                                             random.size() / 4);
        // Lead bytes without trail bytes, trail bytes alone, unmapped bytes, a cut character.
        const QByteArray badSjis("\x81\t\x82\n\x9f\xfc\xfd\xfe\xff\t\xa0\x80\n\x88", 13);
        for (const char* file : {"Taku.Prefs", "voice.txt", "event.txt"}) {
            QTest::addRow("%s random", file) << file << random << qint64(8 << 20);
            QTest::addRow("%s huge line", file)
                << file << QByteArray(1 << 20, 'x') << qint64(32 << 20);
            QTest::addRow("%s bad Shift_JIS", file) << file << badSjis << qint64(1 << 20);
            QTest::addRow("%s NUL bytes", file)
                << file << QByteArray(1 << 16, '\0') << qint64(4 << 20);
            QTest::addRow("%s sparse 1 GB", file) << file << QByteArray() << (qint64(1) << 30);
        }
    }
    void readersStayBounded() {
        QFETCH(QString, file);
        QFETCH(QByteArray, chunk);
        QFETCH(qint64, size);
        test::TestEnv env;
        QFile f(env.file(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (chunk.isEmpty()) QVERIFY(f.resize(size)); // a gigabyte of NUL bytes on no disk
        for (qint64 done = 0; done < size && !chunk.isEmpty(); done += chunk.size())
            f.write(chunk);
        f.close();

        // Peak memory is measured from here: "5" resets the kernel's high-water mark.
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        QVERIFY(clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1);
        clearRefs.close();
        const qint64 before = statusKb("VmRSS:");
        {
            ClockCore clock;
            clock.open(); // preferences, pronunciation table and today's events
            clock.Timer1.fire();
            QVERIFY(!clock.TimeText.isEmpty());
            QVERIFY(env.speech.spoken.size() <= 100);
            VoiceTableData table;
            loadTableFile(env.file(QStringLiteral("voice.txt")), table);
            bool ok = false;
            QVERIFY(readEventFile(env.file(QStringLiteral("event.txt")), &ok).size() <= 10000);
        }
        const qint64 grown = statusKb("VmHWM:") - before;
        QVERIFY2(grown < kMemoryBoundKb, qPrintable(QStringLiteral("read with %1 kB").arg(grown)));
    }

    void keptInputsPass_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const fuzz::Target& t : fuzz::kTargets)
            for (const char* root : {TAKU_FUZZ_CORPUS, TAKU_TEST_DATA "/fuzz"}) {
                const QDir dir(QStringLiteral("%1/%2").arg(QString::fromUtf8(root), t.name));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
                    QTest::addRow("%s/%s", t.name, qPrintable(name))
                        << t.name << dir.filePath(name);
            }
    }
    void keptInputsPass() {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray input = f.readAll();
        for (const fuzz::Target& t : fuzz::kTargets)
            if (target == QLatin1String(t.name))
                t.body(reinterpret_cast<const std::uint8_t*>(input.constData()),
                       std::size_t(input.size()));
    }
};

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"
