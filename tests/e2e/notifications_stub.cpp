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
    const QString name = QStringLiteral("org.freedesktop.Notifications");
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    Notifications service;
    service.inhibited = argc > 1 && qstrcmp(argv[1], "true") == 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(path, &service, QDBusConnection::ExportAllProperties) ||
        !bus.registerService(name))
        return 1;
    QTextStream out(stdout);
    out << "ready" << Qt::endl;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64]; // one line at a time: the driver waits for each answer
        const ssize_t n = read(STDIN_FILENO, line, sizeof line);
        if (n <= 0) return app.quit();
        service.inhibited = QByteArray(line, n).trimmed() == "true";
        QDBusMessage changed = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        changed.setArguments(
            {name, QVariantMap{{QStringLiteral("Inhibited"), service.inhibited}}, QStringList()});
        bus.send(changed);
        out << "inhibited " << (service.inhibited ? "true" : "false") << Qt::endl;
    });
    return app.exec();
}

#include "notifications_stub.moc"
