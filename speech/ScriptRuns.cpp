#include "speech/ScriptRuns.h"

namespace taku {

namespace {

enum class Kind { Japanese, Latin, Digit, Neutral };

bool isJapanese(char16_t u) {
    return (u >= 0x3000 && u <= 0x30FF)     // Japanese punctuation, hiragana, katakana, ー
           || (u >= 0x3190 && u <= 0x33FF)  // kanbun, strokes, small kana, enclosed forms
           || (u >= 0x3400 && u <= 0x4DBF)  // kanji, extension A
           || (u >= 0x4E00 && u <= 0x9FFF)  // kanji
           || (u >= 0xF900 && u <= 0xFAFF)  // compatibility kanji
           || (u >= 0xFF00 && u <= 0xFFEF); // full-width forms and half-width kana
}

Kind kindOf(QChar c) {
    const char16_t u = c.unicode();
    if (isJapanese(u)) return Kind::Japanese;
    if (u >= u'0' && u <= u'9') return Kind::Digit;
    if (c.isLetter()) return Kind::Latin;
    return Kind::Neutral;
}

// Characters that stay inside a number: "3:15", "1.5", "12,000", "2024/1/1".
bool joinsDigits(QChar c) { return c == u':' || c == u'.' || c == u',' || c == u'/' || c == u'-'; }

} // namespace

QList<ScriptRun> splitScriptRuns(const QString& text) {
    const qsizetype n = text.size();
    // Each character's script, decided for letters first and for the rest from its neighbours.
    QList<int> script(n, -1); // 1 Japanese, 0 Latin, -1 undecided
    for (qsizetype i = 0; i < n; ++i) {
        const Kind k = kindOf(text[i]);
        if (k == Kind::Japanese) script[i] = 1;
        if (k == Kind::Latin) script[i] = 0;
    }
    for (qsizetype i = 0; i < n;) {
        if (kindOf(text[i]) != Kind::Digit) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n &&
               (kindOf(text[end]) == Kind::Digit ||
                (joinsDigits(text[end]) && end + 1 < n && kindOf(text[end + 1]) == Kind::Digit)))
            ++end;
        if (end < n && script[end] == 1)
            for (qsizetype j = i; j < end; ++j)
                script[j] = 1;
        i = end;
    }
    int last = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (script[i] < 0)
            script[i] = last;
        else
            last = script[i];
    }
    int first = 0;
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (script[i] >= 0)
            first = script[i];
        else
            script[i] = first;
    }

    QList<ScriptRun> runs;
    for (qsizetype i = 0; i < n; ++i) {
        const bool japanese = script[i] == 1;
        if (runs.isEmpty() || runs.back().japanese != japanese) runs.append({QString(), japanese});
        runs.back().text += text[i];
    }
    return runs;
}

QString withoutSpaces(const QString& text) {
    QString r;
    r.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace()) r += c;
    return r;
}

} // namespace taku
