// Composes announcements from a pronunciation table exactly as the clock does and prints
// what the speech backend hands each synthesizer, with where each table row lies in it.
//
//   taku_compose [table.txt]   (default: the delivered data/voice.txt)
//
// Reads requests from standard input, one a line:
//   time <clock text>          e.g. "time 月 午後6:01" or "time  13:44:27"
//   at <yyyy-mm-ddThh:mm:ss> <flags>  the strip's text at that moment, spoken; flags: any of
//                              w (weekday), a (午前/午後), 2 (24-hour), s (seconds), or "-"
//   date <month> <day> <weekday>
//   day <yyyy-mm-dd>           the date as the clock says it at start-up
//   row <n>                    the editor's row button: the row as its role says it
// and writes one JSON object a line:
//   {"request": ..., "runs": [{"text": ..., "japanese": true, "kana": ...}],
//    "rows": [[start, end, row], ...]}
// where "text" is what Open JTalk gets for a Japanese run (espeak-ng for a Latin one), "kana"
// what espeak-ng's Japanese voice gets when Open JTalk is missing, and rows the span of each
// row's spoken text in the concatenated run texts (UTF-16 offsets).

#include "clock/ClockText.h"
#include "speech/Announcement.h"
#include "speech/KanaReading.h"
#include "speech/ScriptRuns.h"
#include "speech/VoiceTable.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

using namespace taku;

namespace {

// Row r's spoken text wrapped in private-use marks, so that its place survives composing.
constexpr char16_t kRowMark = 0xE000;
constexpr char16_t kRowEnd = 0xF8FF;

QString compose(const QString& request, const VoiceTableData& table) {
    const QString kind = request.section(u' ', 0, 0);
    const QString rest = request.section(u' ', 1);
    if (kind == u"time") return ComposeTime(rest, table);
    if (kind == u"date") {
        const QStringList n = rest.split(u' ', Qt::SkipEmptyParts);
        if (n.size() != 3) return {};
        return ComposeDate(n[0].toInt(), n[1].toInt(), n[2].toInt(), table);
    }
    if (kind == u"row") return ComposeRowInRole(rest.toInt(), table);
    if (kind == u"at") {
        const QDateTime at = QDateTime::fromString(rest.section(u' ', 0, 0), Qt::ISODate);
        const QString flags = rest.section(u' ', 1, 1);
        DisplayFlags shown;
        shown.ShowWeek = flags.contains(u'w');
        shown.ShowAMPM = flags.contains(u'a');
        shown.Show24Hour = flags.contains(u'2');
        shown.ShowSeconds = flags.contains(u's');
        if (!at.isValid()) return {};
        return ComposeTime(composeClock(at, shown).text, table);
    }
    if (kind == u"day") {
        const QDate day = QDate::fromString(rest, Qt::ISODate);
        if (!day.isValid()) return {};
        return ComposeDate(day.month(), day.day(), dayOfWeek(day), table);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(TAKU_SOURCE_DIR "/data/voice.txt");
    VoiceTableData table;
    if (!loadTableFile(path, table)) {
        std::fprintf(stderr, "taku_compose: cannot read %s\n", qPrintable(path));
        return 2;
    }
    VoiceTableData marked;
    for (int r = 0; r < VoiceTableData::kRows; ++r)
        marked.setRow(r, table.display(r),
                      QChar(char16_t(kRowMark + r)) + table.spoken(r) + QChar(kRowEnd));

    QTextStream in(stdin);
    QTextStream out(stdout);
    QString request;
    while (in.readLineInto(&request)) {
        QJsonArray runs;
        for (const ScriptRun& run : splitScriptRuns(compose(request, table))) {
            const QString text = withoutSpaces(run.text);
            if (text.isEmpty()) continue;
            QJsonObject o{{QStringLiteral("text"), text},
                          {QStringLiteral("japanese"), run.japanese}};
            if (run.japanese) o.insert(QStringLiteral("kana"), kanaReading(text));
            runs.append(o);
        }
        // The rows' places in the text without spaces, as the runs are handed over.
        QJsonArray rows;
        int at = 0;
        int start = -1;
        int row = -1;
        for (const QChar c : compose(request, marked)) {
            const char16_t u = c.unicode();
            if (u == kRowEnd) {
                if (row >= 0 && at > start) rows.append(QJsonArray{start, at, row});
                row = -1;
            } else if (u >= kRowMark && u < kRowMark + VoiceTableData::kRows) {
                row = u - kRowMark;
                start = at;
            } else if (!c.isSpace()) {
                ++at;
            }
        }
        out << QJsonDocument(QJsonObject{{QStringLiteral("request"), request},
                                         {QStringLiteral("runs"), runs},
                                         {QStringLiteral("rows"), rows}})
                   .toJson(QJsonDocument::Compact)
            << '\n';
        out.flush();
    }
    return 0;
}
