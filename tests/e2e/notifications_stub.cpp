// A notifications service that only says whether it holds notifications back, as a desktop's
// do-not-disturb switch sets it: org.freedesktop.Notifications on the session bus with an
// Inhibited property, at first as the argument says ("true" or "false"). Prints "ready" once
// the name is owned; each line read then ("true" or "false") sets the property, announces it
// with PropertiesChanged and prints "inhibited true|false". Ends at the end of its input.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <QTextStream>
#include <QVariantMap>

#include <unistd.h>

class Notifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited MEMBER inhibited)
public:
    bool inhibited = false;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    Notifications service;
    service.inhibited = argc > 1 && qstrcmp(argv[1], "true") == 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(path, &service, QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    QTextStream out(stdout);
    out << "ready" << Qt::endl;
    QByteArray pending;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = read(0, buffer, sizeof buffer);
        if (n <= 0) return app.quit();
        for (pending.append(buffer, n); pending.contains('\n'); pending.remove(0, pending.indexOf('\n') + 1)) {
            service.inhibited = pending.startsWith("true");
            QDBusMessage changed = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
            changed.setArguments({QStringLiteral("org.freedesktop.Notifications"),
                                  QVariantMap{{QStringLiteral("Inhibited"), service.inhibited}}, QStringList()});
            bus.send(changed);
            out << "inhibited " << (service.inhibited ? "true" : "false") << Qt::endl;
        }
    });
    return app.exec();
}

#include "notifications_stub.moc"
