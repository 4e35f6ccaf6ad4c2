#include "ardwell/link/controlnames.h"

namespace ardwell {

plat::ControlNames frmMainControlNames()
{
    plat::ControlNames n;
    static const char* const kSingle[] = {
        // The window, its head and foot.
        "frmMain", "lblSWversion", "lblHWversion", "lbldebug", "lblSN", "lblSerNo", "lblProgress", "prgProg",
        "cmdExit",
        // Main selection and configuration.
        "frmMain1", "cmdProgramme", "cmdAdjust", "cmdTest", "frmConfig", "opt126", "opt330", "opt340", "opt560",
        "optPCA", "cmbPort", "txtSource", "txtDestination", "txtStartAddress", "TxtEndAddress",
        // Programme panel.
        "frmProgramme", "cmbCoinNumber", "cmbCoinCount", "lblCoinCount", "chkLogging", "chkHopper",
        "cmdExitProgramme", "cmdCoinData", "cmdCancelOp", "cmdProg", "cmdClearOne", "cmdClearWindows",
        "frmOld", "optNormal", "optOld", "optOld2", "optOld3", "FrmPerformance", "optWindow1", "optWindow2",
        "optwindow3", "FrmCoinType", "optStandard", "OptbiMetallic", "optBimetallic2", "txtCoinValueP", "lblCV",
        "lblSF", "lblSFP", "frmProgrammed",
        // Adjust panel.
        "frmAdjust", "cmbChangeCoin", "chkEnable", "lblOutput", "lblinhline", "cmbInhibitLine", "cmbOutput",
        "txtBinary", "lblBinary", "lblPlug", "cmbPlugDecode", "lblRoute", "cmbRoute", "lblDefaultRoute",
        "cmbDefaultRoute", "lblCoinValue", "txtCoinValue", "lblCSF", "txtCSF", "lblGP", "txtgameprice",
        "lblCMV", "txtCMV", "lblExtCredit", "txtExtCredit", "opt1player", "opt4Player", "chkCoinMeter",
        "chkCreditInput", "chkManualDispense", "chkAlarm", "chkBonus", "lblWindow", "cmdLoosen", "CmdTighten",
        "cmdExitAdjust", "cmdCancelAdjust", "cmdSave", "cmdLoad", "cmdCopyConfig",
        // Test panel of models 330 and 126, with its interface options.
        "frmTest", "chkAllInhibit", "chkBinary", "Frame2", "opt10way", "opt16way", "optDualPolarity", "opt340test",
        "chkHopper2", "txtHopperCount", "cmdStartHopper", "cmdClearCoinCount",
        // Test panel of models 560 and PCA.
        "frmPCAtest", "shpRejected", "lblRejectCount", "lblRejectedReason", "cmdClearCounts",
        // Test panel of model 340.
        "frm340test", "shpCoinMeter", "lblMeterCount", "shpELAMP", "shpPLAMP", "cmdExtCredit", "cmdClear340",
        "cmdExit340",
    };
    for (const char* name : kSingle)
        n.add(QString::fromLatin1(name));

    struct Array {
        const char* name;
        int ubound;
    };
    static const Array kArrays[] = {
        {"lblCoin", 7},    {"shpCoin", 7},   {"lblTestCount", 7}, {"chkInhibit", 7},
        {"lblAccCoin", 15}, {"shpLamp", 15}, {"lblAccCount", 15}, {"lblRouted", 15},
        {"shpPlayer", 3},  {"lblPlayerCount", 3}, {"cmdDispense", 3}, {"cmdFinishTest", 1},
        {"shpCoinWindow", 15}, {"lblWind", 15}, {"lblB", 3}, {"txtB", 3},
    };
    for (const Array& a : kArrays)
        n.addArray(QString::fromLatin1(a.name), 0, a.ubound);
    return n;
}

plat::MemoryView mainWindowMemoryView() { return plat::MemoryView(frmMainControlNames(), kMainWindowName); }

} // namespace ardwell
