#pragma once
// SIGINT and SIGTERM (a logout, a kill) close the clock window the ordinary way, so the
// preferences are saved before the program ends.

namespace taku {

void closeClockOnTerminationSignals();

} // namespace taku
