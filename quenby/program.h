#pragma once
// The one program object of the first program: its services, link, texts, model parameters,
// the shared state of its windows, and the windows themselves (built on first use).

#include "platform/gui/controls.h"
#include "platform/services.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/boxlink.h"
#include "quenby/link/catalogue.h"
#include "quenby/shell/texts.h"

#include <QString>
#include <functional>
#include <memory>

namespace quenby {

class frmMain;
class frmOpening;

class Program : public JobState {
public:
    explicit Program(plat::Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The start-up sequence (frmMain.Form_Load); returns once the menu is shown.
    void start();
    // Closes the port and whatever is open, then ends. In tests this throws plat::ProgramEnded.
    [[noreturn]] void endProgram(int code = 0);

    // Wraps a Qt event handler: counts it for the window slots, and lets the end of the
    // program leave through the scheduler rather than through Qt's event code.
    void handle(const std::function<void()>& fn);
    // Runs fn as a handler from the next pump (for what must not run inside a Qt event).
    void later(std::function<void()> fn);

    // A job started by a button; a second one is refused while the first still waits.
    bool tryBeginJob();
    void endJob();
    bool jobRunning() const { return jobRunning_; }
    class JobScope {
    public:
        explicit JobScope(Program& p) : p_(p), ok_(p.tryBeginJob()) {}
        ~JobScope()
        {
            if (ok_)
                p_.endJob();
        }
        explicit operator bool() const { return ok_; }
        JobScope(const JobScope&) = delete;
        JobScope& operator=(const JobScope&) = delete;

    private:
        Program& p_;
        bool ok_;
    };

    plat::Services svc;
    TextTable texts;
    ErrorReporter errors;
    ModelParams params;
    std::unique_ptr<plat::SerialPort> port;
    BoxLink link;
    BoxCheck check;

    QString versionText = QStringLiteral("V1.00");
    int comPortNumber = 1;
    bool configLoaded = false;
    bool boxFound = false;
    bool debugView = false;
    int promSize = 0; // 0 = 1K Mars PROM, 1 = 2K
    // Valid reading ranges of parameters 1..3.
    int rangeLow1 = 2, rangeHigh1 = 3000;
    int rangeLow2 = 2, rangeHigh2 = 3000;
    int rangeLow3 = 2, rangeHigh3 = 4000;

    plat::HandlerDepth handlers;
    frmMain& mainForm();
    frmOpening& openingForm();
    bool openingLoaded() const;
    void unloadOpening();

    QString programFolder() const;

private:
    bool jobRunning_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<plat::FormSlot<frmMain>> main_;
    std::unique_ptr<plat::FormSlot<frmOpening>> opening_;
};

} // namespace quenby
