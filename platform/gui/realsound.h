#pragma once
// Sounds through the system's command-line player, bounded by the sound's own length.

#include "platform/sound.h"

#include <QString>

namespace plat {

// The playing time of a PCM WAV file in ms, from its header; -1 when it is not a readable WAV.
qint64 wavDurationMs(const QString& path);

class RealSound : public Sound {
public:
    // player: the program that plays a WAV file; empty = "aplay" looked up on the PATH.
    explicit RealSound(QString player = {});
    void playSync(const QString& wavPath) override;
    void beep() override;

private:
    QString player_;
};

} // namespace plat
