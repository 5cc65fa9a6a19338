#pragma once
// A text cut into runs of one script each, so every part goes to the voice that can read it:
// Japanese (kana, kanji, Japanese punctuation, full-width forms) and everything else (Latin).
// Digits, spaces and punctuation belong to no script of their own and join a neighbour.

#include <QList>
#include <QString>

namespace taku {

struct ScriptRun final {
    QString text;
    bool japanese = false;
    bool operator==(const ScriptRun&) const = default;
};

// The runs of the text in order; joined they give the text back. Neutral characters join
// the run before them, a number written right before a Japanese character (as in "3時") joins
// that Japanese run, and leading neutral characters join the first run. A text without any
// letter is one Latin run; an empty text gives no runs.
QList<ScriptRun> splitScriptRuns(const QString& text);

// The text for a Japanese synthesizer: the run without its spaces (each space would be a
// long pause between the words of one sentence).
QString withoutSpaces(const QString& text);

} // namespace taku
