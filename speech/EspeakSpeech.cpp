// The speech backend (espeak-ng, played through the shared audio output).

#include "app/Backends.h"

namespace taku {

std::unique_ptr<Speech> makeSpeechBackend() { return nullptr; }

} // namespace taku
