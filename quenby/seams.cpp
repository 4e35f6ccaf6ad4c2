#include "quenby/seams.h"

#include "platform/notbuilt.h"
#include "platform/runtimeerror.h"

namespace quenby {

namespace {
[[noreturn]] void logonNotBuilt(const QString& what)
{
    plat::notBuiltYet(what);
    throw plat::RuntimeError(5, QStringLiteral("Mech logon is not built yet"));
}
} // namespace

void LinkParsers::parseCoinAccepted(const QString&) { plat::notBuiltYet(QStringLiteral("parseCoinAccepted")); }
void LinkParsers::loadMeasurement(const QString&) { plat::notBuiltYet(QStringLiteral("loadMeasurement")); }
void LinkParsers::decodeMarsPromLine(const QString&) { plat::notBuiltYet(QStringLiteral("decodeMarsPromLine")); }
void LinkParsers::parseCcWordReply(const CcFrame&) { plat::notBuiltYet(QStringLiteral("parseCcWordReply")); }
void LinkParsers::parseCcMeasureFrame(const CcFrame&, int)
{
    plat::notBuiltYet(QStringLiteral("parseCcMeasureFrame"));
}
void LinkParsers::requestCcMeasurement() { plat::notBuiltYet(QStringLiteral("requestCcMeasurement")); }
void LinkParsers::parseG10CoinAccepted(const QByteArray&)
{
    plat::notBuiltYet(QStringLiteral("parseG10CoinAccepted"));
}

std::optional<int> PromDataView::showReportView()
{
    plat::notBuiltYet(QStringLiteral("PromDataView.showReportView"));
    return std::nullopt;
}
void PromDataView::setPanes(const QString&, const QString&)
{
    plat::notBuiltYet(QStringLiteral("PromDataView.setPanes"));
}

bool MechLogons::ccLogon() { logonNotBuilt(QStringLiteral("ccLogon")); }
void MechLogons::ccLogoff() { plat::notBuiltYet(QStringLiteral("ccLogoff")); }
bool MechLogons::nriLogon() { logonNotBuilt(QStringLiteral("nriLogon")); }
void MechLogons::resetProgrammerBox() { plat::notBuiltYet(QStringLiteral("resetProgrammerBox")); }

void MenuJobs::cmdMars_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdMars_Click")); }
void MenuJobs::cmdValtest_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdValtest_Click")); }
void MenuJobs::cmdPROMutilities_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdPROMutilities_Click")); }
void MenuJobs::cmdCCprog_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdCCprog_Click")); }
void MenuJobs::cmdCCValTest_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdCCValTest_Click")); }
void MenuJobs::cmdCCprom_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdCCprom_Click")); }
void MenuJobs::cmdNRIprog_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdNRIprog_Click")); }
void MenuJobs::cmdNRIvaltest_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdNRIvaltest_Click")); }
void MenuJobs::cmdNRIprom_Click() { plat::notBuiltYet(QStringLiteral("frmMain.cmdNRIprom_Click")); }

void CoinMeasureWindow::loadMeasurement(const QString&)
{
    plat::notBuiltYet(QStringLiteral("frmCoinMeasure1.loadMeasurement"));
}
void CoinMeasureWindow::updateStats(int) { plat::notBuiltYet(QStringLiteral("frmCoinMeasure1.updateStats")); }
void CoinMeasureWindow::setDuplicateCheck(const QString&)
{
    plat::notBuiltYet(QStringLiteral("frmCoinMeasure1.chkduplicate"));
}
bool CoinMeasureWindow::CoinInitialise(int)
{
    plat::notBuiltYet(QStringLiteral("frmCoinMeasure1.CoinInitialise"));
    return false;
}

bool MemoryWindows::openPromData()
{
    plat::notBuiltYet(QStringLiteral("frmPROMdata.setup"));
    return false;
}
bool MemoryWindows::openEepromData()
{
    plat::notBuiltYet(QStringLiteral("frmEEPROMdata.setup"));
    return false;
}
bool MemoryWindows::openNriData()
{
    plat::notBuiltYet(QStringLiteral("frmNRIdata.setup"));
    return false;
}
bool MemoryWindows::openFromLimitsEditor()
{
    plat::notBuiltYet(QStringLiteral("frmPROM.cmdPROMutilities_Click"));
    return false;
}
bool MemoryWindows::eeProgramme()
{
    plat::notBuiltYet(QStringLiteral("frmEEPROMdata.eeProgramme"));
    return false;
}
bool MemoryWindows::NRIprogramme()
{
    plat::notBuiltYet(QStringLiteral("frmNRIdata.NRIprogramme"));
    return false;
}
// The limits editor not being built, it is never loaded: nothing to enable or show.
void MemoryWindows::enablePromValtest() {}
void MemoryWindows::showPromWindow() {}

} // namespace quenby
