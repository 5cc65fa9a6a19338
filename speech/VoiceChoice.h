#pragma once
// Which synthesizer voice speaks a text: the spoken texts of the delivered pronunciation table
// are kana, which only the Japanese voice reads; anything else goes to the English voice.

#include <QString>

namespace taku {

// True when the text holds at least one hiragana or katakana character (full or half width).
bool hasKana(const QString& text);

// The espeak-ng voice name for the text: "ja" when it holds kana, otherwise "en".
QString speechVoiceFor(const QString& text);

} // namespace taku
