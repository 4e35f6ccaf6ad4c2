#include "ardwell/program.h"

#include "ardwell/bench/coinbench.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/frmmain.h"
#include "ardwell/link/link.h"
#include "ardwell/link/mainform.h"
#include "ardwell/link/mechjobs.h"
#include "platform/serialport.h"

namespace ardwell {

Program::Program(const plat::Services& services, QString commandLine)
    : jobDialogs_(services.dialogs),
      svc_([&] {
          plat::Services s = services;
          s.dialogs = &jobDialogs_;
          return s;
      }()),
      commandLine_(std::move(commandLine)),
      guard_(*services.sched, [this](const QString& context, const std::exception& e) { showError(context, e); })
{
    jobDialogs_.setGuard(&guard_);
    link_ = std::make_unique<Link>(svc_, [this] { return mechTarget(window_->controls()); });
    window_ = std::make_unique<frmMain>(*this);
    plat::View& view = window_->controls();
    link_->setGuard(&guard_);
    link_->onPanelEvent = [this, &view](const PanelEvent& e) { showPanelEvent(e, view, testPanel_, *link_); };
    // A job stopped by a lost port leaves its coin waits at once.
    link_->onJobStopped = [this] { bench_.abortFlag = true; };
    coinBench_ = std::make_unique<CoinBench>(*link_, view, bench_, testPanel_, window_->timer3(), guard_, svc_);
    mainForm_ = std::make_unique<MainForm>(view, *link_, testPanel_, coinBench_->eeprom(), svc_);
    frmMain* w = window_.get();
    coinBench_->programme().placeProgrammedFrame = [w](int left, int width) { w->placeProgrammedFrame(left, width); };
}

Program::~Program()
{
    if (port_) {
        port_->onReceive = nullptr;
        port_->onFailure = nullptr;
        port_->close();
    }
}

LinkState& Program::state() { return link_->state(); }

MechJobs& Program::jobs() { return otherJobs_ ? *otherJobs_ : *coinBench_; }

void Program::setJobs(std::unique_ptr<MechJobs> jobs)
{
    if (jobs)
        otherJobs_ = std::move(jobs);
}

void Program::showError(const QString& context, const std::exception& e) { ardwell::showError(*svc_.dialogs, context, e); }

void Program::start()
{
    // One copy only, decided before anything shows or the port is touched.
    if (svc_.env->anotherInstanceRunning()) {
        guard_.markExiting();
        svc_.dialogs->msgBox(QStringLiteral("Ardwell is already Running"), plat::mb::Critical | plat::mb::OKOnly,
                             QStringLiteral("Error"));
        svc_.env->endProgram(1);
    }
    if (!port_ && svc_.makePort) {
        port_ = std::shared_ptr<plat::SerialPort>(svc_.makePort());
        if (port_) {
            port_->onReceive = [this] { guard_.handle(Link::kCommsContext, [this] { link_->Comm1_OnComm(); }); };
            // The port has closed itself: said once, and the job under way stops.
            port_->onFailure = [this](const QString& why) {
                guard_.handle(Link::kCommsContext, [this, why] { link_->portFailed(why); });
            };
            std::weak_ptr<plat::SerialPort> weak = port_;
            svc_.env->atEnd([weak] {
                if (auto p = weak.lock())
                    p->close();
            });
        }
        link_->setPort(port_.get());
    }
    window_->show();
    window_->Form_Load(commandLine_);
}

} // namespace ardwell
