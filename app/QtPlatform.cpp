#include "app/QtPlatform.h"

namespace taku {

QByteArray chosenQtPlatform(const QProcessEnvironment& env, const QStringList& args) {
    if (env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) return {};
    if (env.value(QStringLiteral("DISPLAY")).isEmpty()) return {}; // no XWayland
    if (!env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty()) return {};
    // Qt takes its options with one dash or two, the value as the next argument.
    for (qsizetype i = 1; i < args.size(); ++i)
        if (args[i] == QLatin1String("-platform") || args[i] == QLatin1String("--platform"))
            return {};
    return QByteArrayLiteral("xcb");
}

} // namespace taku
