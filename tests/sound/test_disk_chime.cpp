// A three-strike chime played for real through the mixer into SDL's "disk" output: the
// recording moves from left to right, strike by strike, as the strike log says.

#include "base/Logging.h"
#include "base/Settings.h"
#include "clock/ClockCore.h"
#include "sound/MixerSound.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <SDL.h>
#include <SDL_mixer.h>
#include <cmath>

using namespace taku;

namespace {

QStringList strikeLog;

void keepStrikes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtInfoMsg && qstrcmp(context.category, "taku.sound") == 0)
        strikeLog.append(message);
}

// The left-right balance a pan should give, -1 all left, 0 centred, +1 all right: the side
// away from the pan keeps (100 - |pan|) % of its level, the near side stays at full level.
double expectedBalance(int pan) {
    const double far = (100.0 - std::abs(pan)) / 100.0;
    const double away = (1.0 - far * far) / (1.0 + far * far);
    return pan < 0 ? -away : away;
}

} // namespace

class DiskChimeTest final : public QObject {
    Q_OBJECT
private slots:
    void theChimeMovesFromLeftToRight() {
        QTemporaryDir dir;
        const QString recording = dir.filePath(QStringLiteral("chime.raw"));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(recording));

        auto& category = const_cast<QLoggingCategory&>(lcSound());
        category.setEnabled(QtInfoMsg, true);
        const QtMessageHandler previous = qInstallMessageHandler(keepStrikes);

        {
            test::TestEnv env;
            MixerSoundService mixer;
            services().sound = &mixer;
            {
                ClockCore w;
                w.TickPeriod = 1000;
                w.AnnounceReady = true;
                env.edit([](SettingsRecord& s) { s.Volume = 100; });
                w.startChime(1, 3, false); // the cuckoo, three times
                QTRY_VERIFY_WITH_TIMEOUT(
                    w.Timer2.Mode() == TimerMode::Off && !w.EffectSound->IsPlaying(), 30000);
                QVERIFY(w.AnnounceReady);
                // Closing the output writes out what the disk driver still holds.
                Mix_CloseAudio();
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
            }
            services().sound = nullptr;
        }
        qInstallMessageHandler(previous);
        category.setEnabled(QtInfoMsg, false);

        QCOMPARE(strikeLog.size(), 3);
        QList<int> pans;
        for (const QString& line : strikeLog) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^strike (\\d+)/3 pan=(-?\\d+) volume=100 "
                                                  "sound=cuculus$"))
                    .match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            pans.append(m.captured(2).toInt());
        }
        QCOMPARE(pans, (QList<int>{-50, 0, 50}));

        // 10 ms windows of the recording; the loud ones each carry one strike's balance.
        QFile raw(recording);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        const auto* frames = reinterpret_cast<const qint16*>(bytes.constData());
        const qsizetype frameCount = bytes.size() / 4;
        QVERIFY(frameCount > 44100);
        const int window = 441;
        QList<double> energy;
        QList<double> balance;
        for (qsizetype start = 0; start + window <= frameCount; start += window) {
            double l = 0.0;
            double r = 0.0;
            for (qsizetype i = start; i < start + window; ++i) {
                l += double(frames[2 * i]) * frames[2 * i];
                r += double(frames[2 * i + 1]) * frames[2 * i + 1];
            }
            energy.append(l + r);
            balance.append(l + r > 0.0 ? (r - l) / (r + l) : 0.0);
        }
        const double loudest = *std::max_element(energy.begin(), energy.end());
        QList<int> heard; // which strike's balance each loud window matches, in time order
        for (int i = 0; i < energy.size(); ++i) {
            if (energy[i] < loudest * 1e-3) continue;
            int match = -1;
            for (int k = 0; k < 3; ++k)
                if (std::abs(balance[i] - expectedBalance(pans[k])) < 0.08) match = k;
            QVERIFY2(match >= 0,
                     qPrintable(QStringLiteral("window %1 balance %2").arg(i).arg(balance[i])));
            heard.append(match);
        }
        QVERIFY(heard.size() > 30);
        QCOMPARE(heard.first(), 0);
        QCOMPARE(heard.last(), 2);
        QVERIFY(std::is_sorted(heard.begin(), heard.end()));
        QVERIFY(heard.contains(1));
        QVERIFY(expectedBalance(pans.first()) < -0.5 && expectedBalance(pans.last()) > 0.5);
    }
};

QTEST_MAIN(DiskChimeTest)
#include "test_disk_chime.moc"
