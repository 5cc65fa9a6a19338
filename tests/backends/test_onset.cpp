// Onset lines: a chime or an announcement given a due time logs, once, when its first
// audible frame leaves the mixer; sounds without a due time, or whose due time is long past,
// log nothing. Timings are not checked here (bench/onset.sh measures them).

#include "base/Logging.h"
#include "sound/AudioOutput.h"
#include "sound/MixerSound.h"
#include "speech/SpeechPlayer.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

using namespace taku;

namespace {

QStringList onsets;
std::mutex onsetsMutex;

void keepOnsets(QtMsgType, const QMessageLogContext& context, const QString& msg) {
    if (qstrcmp(context.category, "taku.audio") != 0) return;
    std::lock_guard lock(onsetsMutex);
    onsets.append(msg);
}

} // namespace

class TestOnset final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath(QStringLiteral("out.raw"))));
    }

    void onsetIsLoggedOncePerDueSound_data() {
        QTest::addColumn<bool>("chime");
        QTest::addColumn<qint64>("dueAgoMs");  // -1: no due time given
        QTest::addColumn<QString>("expected"); // a pattern for the one line, empty for none
        QTest::newRow("speech due now") << false << qint64(0) << "^onset speech \\+\\d+ ms$";
        QTest::newRow("chime due now") << true << qint64(0) << "^onset chime \\+\\d+ ms$";
        QTest::newRow("speech not due") << false << qint64(-1) << "";
        QTest::newRow("chime not due") << true << qint64(-1) << "";
        QTest::newRow("chime due long ago") << true << qint64(600000) << "";
    }
    void onsetIsLoggedOncePerDueSound() {
        QFETCH(bool, chime);
        QFETCH(qint64, dueAgoMs);
        QFETCH(QString, expected);
        const audio::OnsetKind kind = chime ? audio::OnsetKind::Chime : audio::OnsetKind::Speech;
        auto& category = const_cast<QLoggingCategory&>(lcAudio());
        category.setEnabled(QtInfoMsg, true);
        onsets.clear();
        const QtMessageHandler previous = qInstallMessageHandler(keepOnsets);
        {
            MixerSoundService sounds;
            SpeechPlayer speech({}, OpenJTalkEngine::Setup{});
            // The other kind is due too: its line must not come from this sound.
            audio::expectOnset(chime ? audio::OnsetKind::Speech : audio::OnsetKind::Chime,
                               QDateTime::currentMSecsSinceEpoch());
            for (int i = 0; i < 2; ++i) { // only the first sound after the due time counts
                if (dueAgoMs >= 0 && i == 0)
                    audio::expectOnset(kind, QDateTime::currentMSecsSinceEpoch() - dueAgoMs);
                if (chime) {
                    const auto sound = sounds.builtIn(1);
                    QVERIFY(sound);
                    sound->Play();
                    QTRY_VERIFY_WITH_TIMEOUT(!sound->IsPlaying(), 20000);
                } else {
                    speech.Speak(QStringLiteral("one"), false);
                    QVERIFY(speech.waitUntilIdle(20000));
                }
            }
            audio::expectOnset(chime ? audio::OnsetKind::Speech : audio::OnsetKind::Chime, 0);
        }
        qInstallMessageHandler(previous);
        category.setEnabled(QtInfoMsg, false);
        if (expected.isEmpty()) {
            QCOMPARE(onsets, QStringList());
        } else {
            QCOMPARE(onsets.size(), 1);
            QVERIFY2(QRegularExpression(expected).match(onsets[0]).hasMatch(),
                     qPrintable(onsets[0]));
        }
    }
};

QTEST_GUILESS_MAIN(TestOnset)
#include "test_onset.moc"
