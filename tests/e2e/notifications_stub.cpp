// A notifications service that does nothing but say whether it holds notifications back:
// org.freedesktop.Notifications on the session bus (DBUS_SESSION_BUS_ADDRESS) with an Inhibited
// property, as a desktop's do-not-disturb switch sets it.
//
//     taku_notifications_stub true|false
//
// Prints "ready" once the name is owned. Each line read from standard input, "true" or
// "false", sets the property and announces it with PropertiesChanged, then prints
// "inhibited true|false". Ends at the end of its input.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <QVariantMap>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class Notifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited MEMBER inhibited)
public:
    bool inhibited = false;
};

void say(const char* text) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 || (qstrcmp(argv[1], "true") != 0 && qstrcmp(argv[1], "false") != 0)) {
        std::fputs("usage: taku_notifications_stub true|false\n", stderr);
        return 2;
    }
    Notifications service;
    service.inhibited = qstrcmp(argv[1], "true") == 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(kPath, &service, QDBusConnection::ExportAllProperties) ||
        !bus.registerService(kService)) {
        std::fprintf(stderr, "no session bus, or %s is taken\n", qPrintable(kService));
        return 1;
    }
    say("ready");

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray word = pending.left(end).trimmed();
            if (word != "true" && word != "false") continue;
            service.inhibited = word == "true";
            QDBusMessage changed = QDBusMessage::createSignal(
                kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"));
            changed.setArguments({kService,
                                  QVariantMap{{QStringLiteral("Inhibited"), service.inhibited}},
                                  QStringList()});
            bus.send(changed);
            say(service.inhibited ? "inhibited true" : "inhibited false");
        }
    });
    return app.exec();
}

#include "notifications_stub.moc"
