#pragma once
// The real platform backends, made once by main().

#include "base/Services.h"

#include <memory>

namespace taku {

std::unique_ptr<Speech> makeSpeechBackend();
std::unique_ptr<SoundService> makeSoundBackend();
std::unique_ptr<Dialogs> makeDialogsBackend();
std::unique_ptr<Browser> makeBrowserBackend();

} // namespace taku
