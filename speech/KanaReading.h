#pragma once
// Kana for a Japanese text that espeak-ng's Japanese voice is to read when Open JTalk can't
// speak: espeak-ng reads kana, but says "Chinese letter" for each kanji.

#include <QString>

namespace taku {

// The text with its kanji written in hiragana, as a Japanese listener expects them read:
// numbers with the counters of the clock's announcements and their sound changes (一分
// いっぷん, 六分 ろっぷん, 十分 じゅっぷん, 四時 よじ, 九月 くがつ, 一日 ついたち, 二十四日
// にじゅうよっか), the weekdays, 午前 and 午後, and a few words of event messages. Kana, Latin
// letters, digits and punctuation stay as they are. A kanji outside this vocabulary is left out
// (espeak-ng could only spell it out), and counted in *dropped.
QString kanaReading(const QString& text, int* dropped = nullptr);

} // namespace taku
