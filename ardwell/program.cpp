#include "ardwell/program.h"

#include "ardwell/link/frmmain.h"
#include "ardwell/link/link.h"
#include "platform/serialport.h"

namespace ardwell {

Program::Program(const plat::Services& services, QString commandLine)
    : svc_(services), commandLine_(std::move(commandLine))
{
    window_ = std::make_unique<frmMain>(svc_, state_);
    link_ = std::make_unique<Link>(svc_, *window_, state_);
    window_->attachLink(link_.get());
}

Program::~Program()
{
    if (port_) {
        port_->onReceive = nullptr;
        port_->onFailure = nullptr;
        port_->close();
    }
}

void Program::start()
{
    if (!port_ && svc_.makePort) {
        port_ = std::shared_ptr<plat::SerialPort>(svc_.makePort());
        if (port_) {
            Link* link = link_.get();
            LinkState* st = &state_;
            port_->onReceive = [link] { link->Comm1_OnComm(); };
            // The port has closed itself; sends then report that it is not open.
            port_->onFailure = [st](const QString&) { st->portOpen = false; };
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
