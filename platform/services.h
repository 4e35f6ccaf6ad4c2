#pragma once
// Everything a program object gets from the platform, handed in at construction so that tests
// can supply virtual time, scripted dialogs, recorded sounds and a simulated box.

#include "platform/appenv.h"
#include "platform/dialogs.h"
#include "platform/scheduler.h"
#include "platform/serialport.h"
#include "platform/sound.h"

#include <functional>
#include <memory>

namespace plat {

struct Services {
    Scheduler* sched = nullptr;
    Dialogs* dialogs = nullptr;
    Sound* sound = nullptr;
    AppEnv* env = nullptr;
    // Makes the program's one serial port (real device or simulated box).
    std::function<std::unique_ptr<SerialPort>()> makePort;
};

} // namespace plat
