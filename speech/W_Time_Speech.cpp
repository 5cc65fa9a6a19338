// The clock window's spoken time and date (filled in with the pronunciation table).

#include "clock/W_Time.h"

namespace taku {

void W_Time::Set_Voice() {}

void W_Time::Now_An(const QString& clockText) {
    SpeechText = clockText;
    AnnounceReady = false;
    Timer3.setMode(1);
}

void W_Time::Take_An(int) {
    Now_An(TimeText);
    AnnounceReady = true;
}

void W_Time::Get_Day(int, int, int) {
    AnnounceReady = false;
    Timer3.setMode(1);
}

} // namespace taku
