// The clock's sound as the desktop's volume mixer sees it, through a private PulseAudio daemon:
// the stream names the program, its icon and the event role.

#include "base/Backends.h"
#include "support/PulseServer.h"

#include <QTest>

using namespace taku;
using taku::test::PulseServer;

class TestStreamName final : public QObject {
    Q_OBJECT
    PulseServer pulse_;

private Q_SLOTS:
    void initTestCase() {
        QString why;
        if (!pulse_.start(&why)) QSKIP(qPrintable(why));
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        qputenv("PULSE_SERVER", pulse_.address().toUtf8());
    }

    // The properties of the one playback stream, as pactl lists them.
    void streamIsNamedForTheMixer() {
        static const auto sound = makeSoundBackend();
        auto chime = sound->builtIn(0);
        QVERIFY(chime);
        chime->Play();
        const QStringList list{QStringLiteral("list"), QStringLiteral("sink-inputs")};
        QString props;
        QTRY_VERIFY((props = pulse_.pactl(list)).contains(QLatin1String("application.name")));
        for (const char* property : {"application.name = \"ちくたく時計\"",
                                     "application.icon_name = \"chikutaku\"",
                                     "media.role = \"event\""})
            QVERIFY2(props.contains(QString::fromUtf8(property)), qPrintable(props));
    }
};

QTEST_MAIN(TestStreamName)
#include "test_stream_name.moc"
