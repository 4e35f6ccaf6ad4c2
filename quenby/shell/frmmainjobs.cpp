// The nine job buttons of the main window's family tabs. Each records the family and model of its
// job, brings port and box into a known state, checks the box (and for Mars cloning the mech),
// locks the menu, sets the model's parameters, reads the mech's memory where the job needs it and
// opens the job's window. A window that does not open ends the job with the menu unlocked.
#include "quenby/link/familytable.h"
#include "quenby/link/nrimech.h"
#include "quenby/memutils/promimage.h"
#include "quenby/program.h"
#include "quenby/shell/coinreports.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/frmvaltest.h"

#include <QComboBox>

namespace quenby {

namespace {

namespace id {
constexpr int CcProg = 800;
constexpr int NriProg = 801;
constexpr int NriProm = 802;
constexpr int CcProm = 803;
constexpr int CcValtest = 804;
constexpr int MarsProg = 805;
constexpr int NriValtest = 806;
constexpr int PromUtilities = 807;
constexpr int MarsValtest = 808;
constexpr int DuplicateSegments = 548;
constexpr int CloneCoinMech = 549;
} // namespace id

class MainMenuJobs : public MenuJobs {
public:
    explicit MainMenuJobs(Program& p) : p_(p) {}

    void cmdMars_Click() override { cloning(id::MarsProg, Family::Mars, "cmbMarsMech", true, id::DuplicateSegments); }
    void cmdCCprog_Click() override { cloning(id::CcProg, Family::CC, "cmbCCmech", false, id::CloneCoinMech); }
    void cmdNRIprog_Click() override { cloning(id::NriProg, Family::NRI, "cmbNRImech", false, id::CloneCoinMech); }
    void cmdCCprom_Click() override;
    void cmdNRIprom_Click() override;
    void cmdPROMutilities_Click() override;
    void cmdValtest_Click() override { validatorTest(id::MarsValtest, Family::Mars, "cmbMarsMech"); }
    void cmdCCValTest_Click() override { validatorTest(id::CcValtest, Family::CC, "cmbCCmech"); }
    void cmdNRIvaltest_Click() override { validatorTest(id::NriValtest, Family::NRI, "cmbNRImech"); }

private:
    // One statement of a launcher: an error is reported with the launcher's text and the
    // launcher carries on.
    void step(int textId, const std::function<void()>& fn) { p_.errors.trap(textId, fn); }
    // Steps 1 to 3 of every job that needs the box: family and model, port, box check. False
    // when the check failed (the menu stays as it was).
    bool begin(int textId, Family family, const char* modelList, bool checkMech);
    // Steps 4 and 5: the menu locked, the model's parameters set.
    void lockAndSetParameters(int textId);
    void cloning(int textId, Family family, const char* modelList, bool checkMech, int captionId);
    // "EEPROM Utilities", "Memory Utilities": the mech's memory read, then its window.
    void memoryUtility(int textId, Family family, const char* modelList, const std::function<void()>& read,
                       bool (MemoryWindows::*open)());
    void validatorTest(int textId, Family family, const char* modelList);
    // The job window did not open: the menu as after a job.
    void noWindow() { p_.mainForm().setupMainForm(); }

    Program& p_;
};

bool MainMenuJobs::begin(int textId, Family family, const char* modelList, bool checkMech)
{
    plat::View& mainView = p_.mainForm().controls();
    step(textId, [&] {
        p_.job.beginJob(family, mainView.text(QString::fromLatin1(modelList)));
    });
    p_.memory.startMechJob();
    if (p_.job.mechFamily == Family::NRI)
        p_.job.nriG10LineMode = false;
    step(textId, [&] { p_.mainForm().startupPort(); });
    bool ok = false;
    step(textId, [&] { ok = p_.check.checkBoxAndValidator(checkMech); });
    return ok;
}

void MainMenuJobs::lockAndSetParameters(int textId)
{
    step(textId, [&] { p_.mainForm().lockMenu(); });
    step(textId, [&] { setMechParameters(p_.params, p_.job.mechFamily, p_.job.mechModel, p_.texts); });
}

void MainMenuJobs::cloning(int textId, Family family, const char* modelList, bool checkMech, int captionId)
{
    if (!begin(textId, family, modelList, checkMech))
        return;
    lockAndSetParameters(textId);
    bool opened = false;
    step(textId, [&] {
        p_.coinMeasure().setDuplicateCheck(p_.texts.getText(captionId));
        opened = p_.coinMeasure().CoinInitialise(0);
    });
    if (!opened)
        noWindow();
}

void MainMenuJobs::memoryUtility(int textId, Family family, const char* modelList,
                                 const std::function<void()>& read, bool (MemoryWindows::*open)())
{
    if (!begin(textId, family, modelList, false))
        return;
    lockAndSetParameters(textId);
    step(textId, read);
    p_.fromPromWindow = false;
    bool opened = false;
    // A read cut short by a lost port is no picture of the mech: no window shows it.
    if (!p_.link.jobStopped())
        step(textId, [&] { opened = (p_.memoryWindows().*open)(); });
    if (!opened)
        noWindow();
}

void MainMenuJobs::cmdCCprom_Click()
{
    memoryUtility(id::CcProm, Family::CC, "cmbCCmech", [&] { readMechMemory(p_.mech().ctx); },
                  &MemoryWindows::openEepromData);
}

void MainMenuJobs::cmdNRIprom_Click()
{
    // The NRI read fills the NRI tables; the images keep what they hold. A read that stopped at
    // a record says which, and opens no window.
    memoryUtility(id::NriProm, Family::NRI, "cmbNRImech",
                  [&] {
                      const std::unique_ptr<MechFamily> family = p_.mech().forJob();
                      const ReadState read = family->read();
                      reportNriReadStopped(family->context(), family->entry(), read);
                  },
                  &MemoryWindows::openNriData);
}

void MainMenuJobs::cmdPROMutilities_Click()
{
    if (!begin(id::PromUtilities, Family::Mars, "cmbMarsMech", false))
        return;
    // Only its own button is locked, and the model's parameters stay as they are.
    step(id::PromUtilities, [&] { p_.link.sendJ(); });
    plat::View& mainView = p_.mainForm().controls();
    step(id::PromUtilities, [&] { mainView.setEnabled(QStringLiteral("cmdPROMutilities"), false); });
    p_.memory.promSize = 0;
    clearImageBuffers(p_.memory.images);
    step(id::PromUtilities, [&] { readMechMemory(p_.mech().ctx); });
    p_.fromPromWindow = false;
    bool opened = false;
    if (!p_.link.jobStopped())
        step(id::PromUtilities, [&] { opened = p_.memoryWindows().openPromData(); });
    step(id::PromUtilities, [&] { p_.link.sendW(); });
    if (!opened)
        noWindow();
}

void MainMenuJobs::validatorTest(int textId, Family family, const char* modelList)
{
    plat::View& mainView = p_.mainForm().controls();
    step(textId, [&] {
        p_.job.beginJob(family, mainView.text(QString::fromLatin1(modelList)));
    });
    step(textId, [&] { openValidatorTest(p_, 0); });
    // The port could not be opened, or went while the test started: that has been said, and
    // openValidatorTest has left nothing open.
    if (p_.link.jobStopped())
        return;
    // Only a Mars test has just read the status line (its timings check asks for it); for CC and
    // NRI mechPresent is whatever the last status line said, perhaps of a socket long since
    // empty, and says nothing of the mech now plugged in.
    if (p_.job.mechFamily == Family::Mars && !p_.state.mechPresent && !p_.debugView) {
        // No mech: the test that openValidatorTest started is left as Back leaves it, so nothing
        // stays open, reporting or in serial mode.
        if (frmValtest* w = p_.valtestIfLoaded())
            step(textId, [&] { w->cmdBack_Click(); });
        return;
    }
    step(textId, [&] { mainView.setEnabled(QStringLiteral("cmdValtest"), false); });
    step(textId, [&] { p_.valtestForm().show(); });
    if (mechEntry(p_.job.mechFamily, p_.job.mechModel).valtest.me181Pulse) {
        step(textId, [&] { p_.link.sendData(kMe181PulseOn); });
        step(textId, [&] { p_.link.delayMs(kMe181PulseMs); });
        step(textId, [&] { p_.link.sendData(kMe181PulseOff); });
    }
}

} // namespace

std::unique_ptr<MenuJobs> makeMainMenuJobs(Program& p) { return std::make_unique<MainMenuJobs>(p); }

} // namespace quenby
