// The clock window's spoken time and date: the pronunciation table is loaded at opening, the
// composers fill SpeechText and Timer3 hands it to the synthesizer 100 ms later.

#include "app/DataFolder.h"
#include "app/Logging.h"
#include "clock/W_Time.h"
#include "speech/Announcement.h"
#include "speech/VoiceTable.h"

namespace taku {

void W_Time::Set_Voice() {
    const QString path = dataFile(QStringLiteral("voice.txt"));
    if (path.isEmpty()) {
        qCWarning(lcFiles) << "no data folder: the pronunciation table stays empty";
        return;
    }
    loadTableFile(path, VoiceTable()); // unchanged when the file is missing; logged there
}

void W_Time::Now_An(const QString& clockText) {
    SpeechText = ComposeTime(clockText, VoiceTable());
    AnnounceReady = false;
    Timer3.setMode(1);
}

void W_Time::Take_An(int) {
    Now_An(TimeText);
    AnnounceReady = true;
}

void W_Time::Get_Day(int month, int day, int weekday) {
    SpeechText = ComposeDate(month, day, weekday, VoiceTable());
    AnnounceReady = false;
    Timer3.setMode(1);
}

} // namespace taku
