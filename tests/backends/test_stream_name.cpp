// The clock's sound as the desktop's volume mixer sees it, through a private PulseAudio daemon: the
// stream names the program, its icon and the event role.

#include "base/Backends.h"
#include "support/PulseServer.h"

#include <QTest>

using namespace taku;

class TestStreamName final : public QObject {
    Q_OBJECT
    test::PulseServer pulse_;

private Q_SLOTS:
    // The properties of the one playback stream, as pactl lists them.
    void streamIsNamedForTheMixer() {
        QString props;
        if (!pulse_.start(&props)) QSKIP(qPrintable(props));
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        qputenv("PULSE_SERVER", pulse_.address().toUtf8());
        static const auto sound = makeSoundBackend();
        auto chime = sound->builtIn(0);
        QVERIFY(chime);
        chime->Play();
        QTRY_VERIFY((props = pulse_.pactl({"list", "sink-inputs"})).contains("application.name"));
        for (const char* property :
             {"application.name = \"ちくたく時計\"", "application.icon_name = \"chikutaku\"",
              "media.role = \"event\""})
            QVERIFY2(props.contains(QString::fromUtf8(property)), qPrintable(props));
    }
};

QTEST_MAIN(TestStreamName)
#include "test_stream_name.moc"
