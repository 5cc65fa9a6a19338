// The clock window's chime (filled in with the sound effects).

#include "clock/W_Time.h"

namespace taku {

void W_Time::Get_Sound(int, int) {
    AnnounceReady = false;
    Timer2.setMode(2);
}

void W_Time::Take_Sound(int hour, int minute) { Get_Sound(0, minute == 0 ? hour : 1); }

void W_Time::Timer2_Action() {
    Timer2.setMode(0);
    Timer1.setPeriod(TickPeriod);
    Timer1.setMode(2);
    AnnounceReady = true;
}

void W_Time::PreviewBuiltInSound(int) {}
bool W_Time::LoadCustomSound(const QString&) { return false; }
void W_Time::PreviewCustomSound() {}

} // namespace taku
