// The start-up check of the event table.

#include "clock/W_Time.h"

namespace taku {

void W_Time::Set_Event() {}

} // namespace taku
