#pragma once
// The second program as one object: its services, job guard, mech jobs, window, link
// and serial port. Everything the program keeps lives here, so each run (and each test) starts
// clean.

#include "ardwell/bench/benchstate.h"
#include "ardwell/bench/testpanels.h"
#include "ardwell/link/linkstate.h"
#include "platform/jobguard.h"
#include "platform/services.h"

#include <QString>
#include <exception>
#include <memory>

namespace plat {
class SerialPort;
}

namespace ardwell {

class CoinBench;
class frmMain;
class Link;
class MainForm;
class MechJobs;

class Program {
public:
    // commandLine: the arguments after the program's name, joined by blanks.
    explicit Program(const plat::Services& services, QString commandLine = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Refuses to run beside another copy (before any window shows; the program then ends with
    // status 1), else makes the port, shows the window and runs its start-up. Cancel on a port
    // error ends the program through the environment.
    void start();

    const plat::Services& services() const { return svc_; }
    frmMain& window() { return *window_; }
    Link& link() { return *link_; }
    // The main window's start-up, model choice and leaving of programme mode.
    MainForm& mainForm() { return *mainForm_; }
    LinkState& state();
    // Every Qt handler and every job of the program runs through it.
    plat::JobGuard& guard() { return guard_; }
    // The coin bench's state: readings, learned window, the run's cancel flag, the adjust panel.
    BenchState& bench() { return bench_; }
    // The test frames' state: the hopper run and the frame handlers that wait.
    TestPanelState& testPanel() { return testPanel_; }
    // The jobs behind the buttons: the coin bench's, unless a test has put others in.
    MechJobs& jobs();
    void setJobs(std::unique_ptr<MechJobs> jobs);
    // The panels' handlers.
    CoinBench& coinBench() { return *coinBench_; }
    plat::SerialPort* port() { return port_.get(); }

    // The program's error reporter: the common error box with the context text.
    void showError(const QString& context, const std::exception& e);

private:
    // The dialogs every part of the program shows through: a job stopped by a lost port shows
    // nothing more.
    plat::JobDialogs jobDialogs_;
    plat::Services svc_;
    QString commandLine_;
    BenchState bench_;
    TestPanelState testPanel_;
    plat::JobGuard guard_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<Link> link_;
    std::unique_ptr<MainForm> mainForm_;
    std::unique_ptr<CoinBench> coinBench_;
    std::unique_ptr<MechJobs> otherJobs_;
    std::shared_ptr<plat::SerialPort> port_;
};

} // namespace ardwell
