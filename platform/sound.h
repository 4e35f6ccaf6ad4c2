#pragma once
#include <QString>

namespace plat {

class Sound {
public:
    virtual ~Sound() = default;
    // Plays a WAV file and returns when it has ended (bounded: never hangs without an audio
    // device). A missing or unreadable file plays nothing.
    virtual void playSync(const QString& wavPath) = 0;
    virtual void beep() = 0;
};

} // namespace plat
