// The speech backend through the real espeak-ng and SDL2_mixer, with SDL's disk driver as
// the sound device: queued texts are heard one after the other, in order and whole, and the
// backend shuts down cleanly with texts still queued.

#include "speech/SpeechPlayer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

using namespace taku;

class TestSpeechQueue final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString output;

private Q_SLOTS:
    void initTestCase() {
        // The output opens once per process, with the first backend.
        output = dir.filePath(QStringLiteral("speech.raw"));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
    }

    void textsAreHeardInOrderAndWhole() {
        std::mutex m;
        QList<SpeechPlayer::Played> played;
        {
            SpeechPlayer speech({}, OpenJTalkEngine::Setup{}); // espeak-ng alone
            if (!speech.synthesizerReady()) QFAIL("espeak-ng data is missing");
            speech.keepPcm = true;
            speech.onPlayed = [&](const SpeechPlayer::Played& p) {
                std::lock_guard lock(m);
                played.append(p);
            };
            const QStringList texts{QStringLiteral("じゅう に がつ に じゅう よっか です"),
                                    QStringLiteral("Merry Xmas!........"),
                                    QStringLiteral("ご ご いち じ です")};
            for (const QString& text : texts)
                speech.Speak(text, false);
            QVERIFY(speech.waitUntilIdle(60000));

            std::lock_guard lock(m);
            QCOMPARE(played.size(), 3);
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(played[i].text, texts[i]);
                QVERIFY(played[i].whole);
                QVERIFY(played[i].frames > 0);
                QVERIFY(!played[i].pcm.isEmpty());
            }
            QCOMPARE(played[0].voice, QStringLiteral("ja"));
            QCOMPARE(played[1].voice, QStringLiteral("en"));
            QCOMPARE(played[2].voice, QStringLiteral("ja"));

            // The last samples may still sit in the device's buffer: let it write some more.
            const qint64 sizeWhenIdle = QFileInfo(output).size();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > sizeWhenIdle + 64 * 1024, 30000);
        }

        // The device received each text's samples complete and in the order spoken.
        QFile raw(output);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray heard = raw.readAll();
        qsizetype from = 0;
        for (const SpeechPlayer::Played& p : played) {
            const qsizetype at = heard.indexOf(p.pcm, from);
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("not heard whole: ") + p.text));
            from = at + p.pcm.size();
        }
    }

    void silentTextsDoNotStallTheQueue() {
        QStringList order;
        std::mutex m;
        SpeechPlayer speech;
        speech.onPlayed = [&](const SpeechPlayer::Played& p) {
            std::lock_guard lock(m);
            order.append(p.text);
        };
        speech.Speak(QString(), false);
        speech.Speak(QStringLiteral("   "), false);
        speech.Speak(QStringLiteral("いち"), false);
        QVERIFY(speech.waitUntilIdle(60000));
        std::lock_guard lock(m);
        QCOMPARE(order, (QStringList{QString(), QStringLiteral("   "), QStringLiteral("いち")}));
    }

    void shutsDownWithTextsQueued() {
        auto speech = std::make_unique<SpeechPlayer>();
        for (int i = 0; i < 20; ++i)
            speech->Speak(
                QStringLiteral("A long text that would take a while to say, number %1.").arg(i),
                false);
        speech.reset(); // joins the worker; must neither hang nor crash
        QVERIFY(!speech);
    }
};

QTEST_GUILESS_MAIN(TestSpeechQueue)
#include "test_speech_queue.moc"
