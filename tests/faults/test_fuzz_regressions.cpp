// Every input kept for the fuzz targets, the seeds (fuzz/corpus/<target>) and the inputs that
// once failed (tests/data/fuzz/<target>), run through the same bodies with the ordinary
// compiler, so a fault once found stays fixed in every build. A failing property aborts.

#include "fuzz/FuzzBodies.cpp"

#include <QDir>
#include <QTest>

using namespace taku::fuzz;

namespace {
void run(const char* target, const QByteArray& input) {
    for (const Target& t : kTargets)
        if (std::strcmp(t.name, target) == 0)
            t.body(reinterpret_cast<const std::uint8_t*>(input.constData()),
                   std::size_t(input.size()));
}
} // namespace

class TestFuzzRegressions final : public QObject {
    Q_OBJECT
private slots:
    void keptInputsPass_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const Target& t : kTargets)
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
        run(qPrintable(target), f.readAll());
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
