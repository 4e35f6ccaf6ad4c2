#pragma once
// The services of a real run, owned in one place by main().

#include "platform/gui/qtdialogs.h"
#include "platform/gui/realsound.h"
#include "platform/realenv.h"
#include "platform/scheduler.h"
#include "platform/services.h"

#include <functional>
#include <memory>

namespace plat {

using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

// Makes QtSerialPorts that find their devices through env's program folder (env must outlive
// the factory).
PortFactory makeQtSerialPort(const AppEnv& env);

struct RealServices {
    RealServices(QString programName, QString homeVariable) : env(std::move(programName), std::move(homeVariable)) {}

    Services services(PortFactory makePort);
    Services services() { return services(makeQtSerialPort(env)); }

    RealScheduler sched;
    QtDialogs dialogs;
    RealSound sound;
    RealEnv env;
};

} // namespace plat
