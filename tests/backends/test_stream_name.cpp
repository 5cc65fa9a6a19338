// The clock's sound as the desktop's volume mixer sees it, through a private PulseAudio daemon:
// the stream names the program, its icon and the event role.

#include "base/Backends.h"
#include "support/PulseServer.h"

#include <QRegularExpression>
#include <QTest>

using namespace taku;
using taku::test::PulseServer;

class TestStreamName final : public QObject {
    Q_OBJECT
    PulseServer pulse_;

    // The properties of the one playback stream, "key" -> "value".
    QMap<QString, QString> streamProperties() {
        QMap<QString, QString> props;
        static const QRegularExpression property(QStringLiteral("^\\s+([\\w.]+) = \"(.*)\"$"));
        for (const QString& line :
             pulse_.pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}).split(u'\n'))
            if (const auto m = property.match(line); m.hasMatch()) props[m.captured(1)] = m.captured(2);
        return props;
    }

private Q_SLOTS:
    void initTestCase() {
        QString why;
        if (!pulse_.start(&why)) QSKIP(qPrintable(why));
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
        qputenv("PULSE_SERVER", pulse_.address().toUtf8());
    }

    void streamIsNamedForTheMixer_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("name") << QStringLiteral("application.name") << QStringLiteral("ちくたく時計");
        QTest::newRow("icon") << QStringLiteral("application.icon_name") << QStringLiteral("chikutaku");
        QTest::newRow("role") << QStringLiteral("media.role") << QStringLiteral("event");
    }
    void streamIsNamedForTheMixer() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        static const auto sound = makeSoundBackend();
        auto chime = sound->builtIn(0);
        QVERIFY(chime);
        chime->Play();
        QMap<QString, QString> props;
        QTRY_VERIFY((props = streamProperties()).contains(QStringLiteral("application.name")));
        QVERIFY2(props.value(key) == value, qPrintable(QStringList(props.keys()).join(u' ')));
    }
};

QTEST_MAIN(TestStreamName)
#include "test_stream_name.moc"
