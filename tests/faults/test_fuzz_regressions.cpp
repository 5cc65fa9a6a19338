// Every input kept for the fuzz targets, the seeds (fuzz/corpus/<target>) and the inputs that
// once failed (tests/data/fuzz/<target>), run through the same bodies with the ordinary
// compiler, so a fault once found stays fixed in every build, sanitizers included. A failing
// property aborts the test program, naming the property.

#include "fuzz/FuzzBodies.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace taku::fuzz;

namespace {

void run(int target, const QByteArray& input) {
    kTargets[target].body(reinterpret_cast<const std::uint8_t*>(input.constData()),
                          std::size_t(input.size()));
}

} // namespace

class TestFuzzRegressions final : public QObject {
    Q_OBJECT
private slots:
    void keptInputsPass_data() {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        for (int t = 0; t < kTargetCount; ++t) {
            for (const char* root : {TAKU_FUZZ_CORPUS, TAKU_TEST_DATA "/fuzz"}) {
                const QDir dir(QString::fromUtf8(root) + QLatin1Char('/') +
                               QLatin1String(kTargets[t].name));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
                    QTest::addRow("%s/%s", kTargets[t].name, qPrintable(name))
                        << t << dir.filePath(name);
            }
        }
    }
    void keptInputsPass() {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        run(target, f.readAll());
    }

    // Inputs the fuzzers reach only by luck: numbers at the edges of int32.
    void composersTakeExtremeNumbers() {
        const std::int32_t values[] = {INT32_MIN, -13, -1, 0,  1,  9,  10, 11,       12,
                                       13,        19,  20, 21, 31, 32, 51, INT32_MAX};
        for (std::int32_t month : values) {
            for (std::int32_t day : values) {
                for (std::int32_t weekday : values) {
                    const std::int32_t in[3] = {month, day, weekday};
                    run(4, QByteArray(reinterpret_cast<const char*>(in), sizeof in));
                }
            }
        }
        for (const char* text : {" 2147483647:2147483647:2147483647", " -2147483648:-5:-99",
                                 " 1e308:1e308:-1e308", " 午前午後99:99:99", "", "::::"})
            run(3, QByteArray(text));
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
