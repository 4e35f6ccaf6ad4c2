#include "platform/gui/realservices.h"

#include "platform/gui/qtserialport.h"

namespace plat {

PortFactory makeQtSerialPort(const AppEnv& env)
{
    return [&env]() -> std::unique_ptr<SerialPort> { return std::make_unique<QtSerialPort>(env); };
}

Services RealServices::services(PortFactory makePort)
{
    Services s;
    s.sched = &sched;
    s.dialogs = &dialogs;
    s.sound = &sound;
    s.env = &env;
    s.makePort = std::move(makePort);
    return s;
}

} // namespace plat
