// Loading and saving the preferences of the clock window.

#include "app/DataFolder.h"
#include "app/Logging.h"
#include "app/Settings.h"
#include "app/TextFile.h"
#include "clock/W_Time.h"
#include "prefs/PrefsFile.h"

#include <QLabel>

namespace taku {

void W_Time::Set_Pref() {
    SettingsRecord& s = Settings();
    const QString path = dataFile(QStringLiteral("Taku.Prefs"));
    ReadLimits limits;
    limits.maxLines = kPrefsLines;
    limits.maxLineBytes = 1024;
    limits.maxFileBytes = 64 * 1024;
    if (const auto lines = readLines(path, limits)) {
        WindowPosition position;
        parsePrefs(*lines, position, s);
        move(position.Left, position.Top);
        keepOnScreen();
        if (s.CustomSound) {
            SoundService* sound = services().sound;
            EffectSound = sound ? sound->openAsSound(dataFile(QStringLiteral("MySound.wav")))
                                : nullptr;
            if (!EffectSound) qCWarning(lcFiles) << "MySound.wav did not open as a sound";
        }
    } else {
        if (path.isEmpty())
            qCWarning(lcFiles) << "no Taku_DATA folder beside the program; using first-run values";
        s.applyFirstRunValues();
    }
    Set_Int_Time();
    applyTextColor();
    if (s.TextColor == s.BackColor) s.BackColor = s.TextColor.inverse();
    applyBackColor();
    SetWindowTransparency(this, static_cast<float>(s.Transparency) / 100.0f);
    TickPeriod = 1000;
}

void W_Time::Save_Pref() {
    const QString path = dataFile(QStringLiteral("Taku.Prefs"));
    if (path.isEmpty()) {
        qCWarning(lcFiles) << "no Taku_DATA folder; preferences not saved";
        return;
    }
    const WindowPosition position{y(), x()};
    const QString error = saveFileAtomically(path, joinLines(formatPrefs(position, Settings())));
    if (!error.isEmpty()) qCWarning(lcFiles) << "preferences not saved:" << error;
}

} // namespace taku
