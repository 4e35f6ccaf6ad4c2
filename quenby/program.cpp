#include "quenby/program.h"

#include "quenby/link/frmopening.h"
#include "quenby/shell/frmmain.h"

#include <cstdlib>

namespace quenby {

Program::Program(plat::Services services)
    : svc(std::move(services)),
      errors(texts, *svc.dialogs),
      port(svc.makePort ? svc.makePort() : nullptr),
      link(svc, texts, errors, *this),
      check(link, svc, texts, errors, *this)
{
    link.setPort(port.get());
    main_ = std::make_unique<plat::FormSlot<frmMain>>(handlers, [this] { return std::make_unique<frmMain>(*this); });
    opening_ = std::make_unique<plat::FormSlot<frmOpening>>(handlers,
                                                            [this] { return std::make_unique<frmOpening>(*this); });
    // Whatever ends the program closes the port and takes the windows off the screen first.
    std::weak_ptr<bool> alive = alive_;
    svc.env->atEnd([this, alive] {
        if (alive.expired())
            return;
        if (port && port->isOpen())
            port->close();
        link.portOpen = false;
        if (auto* f = opening_->ifLoaded())
            f->hide();
        if (auto* f = main_->ifLoaded()) {
            f->Timer1.setEnabled(false);
            f->Timer2.setEnabled(false);
            f->hide();
        }
    });
}

Program::~Program()
{
    alive_.reset();
    opening_.reset();
    main_.reset();
    link.setPort(nullptr);
}

void Program::start() { mainForm().Form_Load(); }

void Program::endProgram(int code)
{
    svc.env->endProgram(code);
    std::abort(); // an environment's endProgram never returns
}

void Program::handle(const std::function<void()>& fn)
{
    plat::HandlerScope scope(handlers);
    try {
        fn();
    } catch (const plat::ProgramEnded& ended) {
        // Only a test environment returns here; the end travels on from the scheduler.
        svc.sched->callAfter(0, [ended] { throw ended; });
    } catch (const std::exception& e) {
        errors.reportContext(QStringLiteral("Error detected : "), e);
    }
}

void Program::later(std::function<void()> fn)
{
    std::weak_ptr<bool> alive = alive_;
    svc.sched->callAfter(0, [this, alive, fn = std::move(fn)] {
        if (!alive.expired())
            handle(fn);
    });
}

bool Program::tryBeginJob()
{
    if (jobRunning_)
        return false;
    jobRunning_ = true;
    return true;
}

void Program::endJob() { jobRunning_ = false; }

frmMain& Program::mainForm() { return main_->get(); }
frmOpening& Program::openingForm() { return opening_->get(); }
bool Program::openingLoaded() const { return opening_->loaded(); }
void Program::unloadOpening() { opening_->unload(); }

QString Program::programFolder() const { return svc.env->programFolder(); }

} // namespace quenby
