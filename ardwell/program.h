#pragma once
// The second program as one object: its services, link state, window, link and serial port.
// Everything the program keeps lives here, so each run (and each test) starts clean.

#include "ardwell/link/linkstate.h"
#include "platform/services.h"

#include <QString>
#include <memory>

namespace plat {
class SerialPort;
}

namespace ardwell {

class frmMain;
class Link;

class Program {
public:
    // commandLine: the arguments after the program's name, joined by blanks.
    explicit Program(const plat::Services& services, QString commandLine = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Makes the port, shows the window and runs its start-up. May end the program (second copy,
    // Cancel on a port error) through the environment.
    void start();

    frmMain& window() { return *window_; }
    Link& link() { return *link_; }
    LinkState& state() { return state_; }
    plat::SerialPort* port() { return port_.get(); }

private:
    plat::Services svc_;
    QString commandLine_;
    LinkState state_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<Link> link_;
    std::shared_ptr<plat::SerialPort> port_;
};

} // namespace ardwell
