#pragma once
// Built into both programs: depends on the platform layer only.

#include "platform/sound.h"

#include <QString>
#include <exception>
#include <functional>

namespace shared {

// Plays "<folder>/reject.wav" (reject) or "<folder>/accept.wav" and returns when it has ended.
// A missing file plays nothing; failures go to onError.
void makeSound(bool reject, const QString& programFolder, plat::Sound& sound,
               const std::function<void(const std::exception&)>& onError);

} // namespace shared
