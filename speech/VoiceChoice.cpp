#include "speech/VoiceChoice.h"

namespace taku {

bool hasKana(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool hiragana = u >= 0x3041 && u <= 0x309F;
        // The katakana block without its punctuation (゠ and the middle dot ・).
        const bool katakana = u >= 0x30A1 && u <= 0x30FF && u != 0x30FB;
        const bool katakanaExtension = u >= 0x31F0 && u <= 0x31FF;
        const bool halfWidth = u >= 0xFF66 && u <= 0xFF9F;
        if (hiragana || katakana || katakanaExtension || halfWidth) return true;
    }
    return false;
}

QString speechVoiceFor(const QString& text) {
    return hasKana(text) ? QStringLiteral("ja") : QStringLiteral("en");
}

} // namespace taku
