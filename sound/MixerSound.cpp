// The sound backend over SDL2_mixer.

#include "app/Backends.h"

namespace taku {

std::unique_ptr<SoundService> makeSoundBackend() { return nullptr; }

} // namespace taku
