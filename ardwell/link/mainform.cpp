#include "ardwell/link/mainform.h"

#include "ardwell/bench/lamps.h"
#include "ardwell/bench/testpanels.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "ardwell/link/mechjobs.h"
#include "ardwell/link/settings.h"
#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/view.h"

namespace ardwell {

namespace {

// Version 3.0.0, shown as "V" & major & "." & minor & revision.
const QString kVersion = QStringLiteral("V3.00");

const QString kExitTitle = QStringLiteral("EXIT");
const QString kExitCalledOffText =
    QStringLiteral("The changes were not written to the Coin mech\r\n\r\n"
                   "Ardwell stays open with the changes pending: write them again, "
                   "or EXIT and answer No to drop them");
const QString kNoBoxText =
    QStringLiteral("The changes were not written to the Coin mech and will be lost: the programmer box is not "
                   "connected\r\n\r\nOK ends Ardwell without them, Cancel keeps Ardwell open with the changes "
                   "pending");

} // namespace

MainForm::MainForm(plat::View& view, Link& link, TestPanelState& panel, EepromJob& eeprom,
                   const plat::Services& services)
    : v_(view), link_(link), st_(link.state()), panel_(panel), eeprom_(eeprom), svc_(services)
{
}

void MainForm::step(const QString& context, const std::function<void()>& fn)
{
    plat::trap(fn, [&](const std::exception& e) { showError(*svc_.dialogs, context, e); });
}

void MainForm::load(const QString& commandLine)
{
    step(ctx::FormLoad, [&] {
        v_.setEnabled(QStringLiteral("cmdProgramme"), false);
        v_.setEnabled(QStringLiteral("cmdAdjust"), false);
        v_.setEnabled(QStringLiteral("cmdTest"), false);
        panel_.lampCountdown = 0;
        v_.setText(QStringLiteral("lblSWversion"), kVersion);
    });
    step(ctx::FormLoad, [&] {
        panel_.test340Active = false;
        eeprom_.forgetSerialNumber();
        v_.setVisible(QStringLiteral("frmMain1"), true);
        for (const char* f : kJobPanels)
            v_.setVisible(QString::fromLatin1(f), false);
        st_.boxAnswered = false;
        st_.boxVersionReceived = false;
    });
    step(ctx::FormLoad, [&] {
        // The coin data log is offered only to a program started with the trace word.
        const QString firstWord = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
        traceWordGiven_ = firstWord == QLatin1String("KOLVAR_TRACE_604913");
        v_.setVisible(QStringLiteral("chkLogging"), traceWordGiven_);
    });
    step(ctx::FormLoad, [&] {
        v_.setVisible(QStringLiteral("lblProgress"), false);
        v_.setVisible(QStringLiteral("prgProg"), false);
        eeprom_.dropChanges();
        loading_ = true;
        QStringList ports;
        for (int i = kMinPort; i <= kMaxPort; ++i)
            ports << QString::number(i);
        v_.setItems(QStringLiteral("cmbPort"), ports);
        v_.setValue(QStringLiteral("cmbPort"), 0);
    });
    step(ctx::FormLoad, [&] {
        buildLists();
        st_.mechLoggedOn = false;
        v_.setText(QStringLiteral("txtSource"), QStringLiteral("61"));
        v_.setText(QStringLiteral("txtDestination"), QStringLiteral("FF"));
        v_.setText(QStringLiteral("txtStartAddress"), QStringLiteral("00"));
        v_.setText(QStringLiteral("TxtEndAddress"), QStringLiteral("FF"));
        st_.commPortNumber = 1;
    });

    bool settingsRead = false;
    Model model = kDesignModel;
    step(ctx::FormLoad, [&] {
        const QString path = configPath(svc_.env->programFolder());
        if (!link_.fileExists(path))
            return;
        const ConfigRecord rec = readConfig(path);
        if (rec.state == ConfigRecord::State::Unreadable)
            throw plat::pathFileAccessError();
        if (!rec.read())
            return;
        settingsRead = true;
        st_.commPortNumber = rec.port;
        v_.setText(QStringLiteral("cmbPort"), QString::number(rec.port));
        model = rec.model;
        if (rec.modelFieldMissing)
            throw plat::RuntimeError(62, QStringLiteral("Input past end of file"));
    });
    loading_ = false;

    if (settingsRead) {
        st_.portOpen = false;
        link_.startupPort();
    }

    step(ctx::FormLoad, [&] {
        for (int i = 0; i < 8; ++i)
            v_.setText(QStringLiteral("lblTestCount"), QStringLiteral("0"), i);
        panel_.lampCountdown = 0;
        for (int i = 0; i < 16; ++i)
            v_.setText(QStringLiteral("lblAccCoin"), QStringLiteral("Coin") + QString::number(i + 1), i);
        resetLamps(v_);
        clearCountLabels(v_);
    });
    step(ctx::FormLoad, [&] {
        v_.setValue(QStringLiteral("cmbCoinCount"), 2);
        v_.setText(QStringLiteral("lblCoinCount"), QString());
        v_.setValue(QStringLiteral("chkLogging"), 0);
        v_.setText(QStringLiteral("frmMain"), windowCaption(kDesignModel));
    });
    step(ctx::FormLoad, [&] { v_.setValue(optionName(model), 1); });

    step(ctx::FormLoad, [&] {
        if (!st_.portOpen)
            return;
        link_.boxCmdBar();
        link_.boxCmdPercent();
        link_.boxCmdBar();
        if (link_.identifyBox()) {
            v_.setEnabled(QStringLiteral("cmdProgramme"), true);
            v_.setEnabled(QStringLiteral("cmdAdjust"), true);
            v_.setEnabled(QStringLiteral("cmdTest"), true);
            link_.boxCmdBar();
            link_.boxCmdIdentify();
        } else {
            svc_.dialogs->msgBox(QStringLiteral("Ardwell box not communicating\r\n\r\n"
                                                "Check cables, connections, power and COM port setting"),
                                 plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
        }
    });
    eeprom_.dropChanges();
}

void MainForm::modelChosen(Model m)
{
    const ModelEntry& e = modelEntry(m);
    v_.setText(QStringLiteral("frmMain"), windowCaption(m));
    if (e.rebuildsLists)
        buildLists();
    v_.setText(QStringLiteral("txtSource"), QString::fromLatin1(e.source));
    v_.setText(QStringLiteral("txtDestination"), QString::fromLatin1(e.destination));
}

void MainForm::buildLists()
{
    step(QStringLiteral("Error Building Lists routine : "), [&] {
        const ModelLists l = modelLists(currentModel(v_));
        auto fill = [this](const QString& name, const ListItems& list, bool select = true) {
            v_.setItems(name, list.items);
            if (select)
                v_.setValue(name, list.shown);
        };
        fill(QStringLiteral("cmbCoinNumber"), l.coinNumber);
        fill(QStringLiteral("cmbChangeCoin"), l.changeCoin, false);
        fill(QStringLiteral("cmbInhibitLine"), l.inhibitLine);
        fill(QStringLiteral("cmbOutput"), l.output);
        fill(QStringLiteral("cmbPlugDecode"), l.plugDecode);
        fill(QStringLiteral("cmbRoute"), l.route);
        if (l.recalcBinary)
            calcBinary();
        v_.setVisible(QStringLiteral("txtBinary"), l.binaryVisible);
        v_.setVisible(QStringLiteral("lblBinary"), l.binaryVisible);
        v_.setVisible(QStringLiteral("cmbPlugDecode"), l.plugVisible);
        v_.setVisible(QStringLiteral("lblPlug"), l.plugVisible);
        v_.setVisible(QStringLiteral("cmbRoute"), l.routeVisible);
        v_.setVisible(QStringLiteral("lblRoute"), l.routeLabelVisible);
        v_.setText(QStringLiteral("lblBinary"), l.binaryLabel);
        v_.setText(QStringLiteral("lblinhline"), l.inhibitLabel);
        v_.setValue(QStringLiteral("cmbChangeCoin"), l.changeCoin.shown);
        fill(QStringLiteral("cmbDefaultRoute"), l.defaultRoute);
    });
}

void MainForm::calcBinary()
{
    step(QStringLiteral("Error Calc-Binary routine : "), [&] {
        if (const auto code = binaryCodeOf(v_.text(QStringLiteral("cmbOutput"))))
            v_.setText(QStringLiteral("txtBinary"), *code);
    });
}

bool MainForm::exitAndWrite(MechJobs& jobs)
{
    bool written = true;
    bool left = true;
    step(ctx::ExitAndWrite, [&] { boxToIdle(); });
    step(ctx::ExitAndWrite, [&] {
        if (!eeprom_.imageModified())
            return;
        if (!askToWrite()) {
            eeprom_.dropChanges();
            return;
        }
        // The write re-reads the serial number first: the changes go only into their own mech.
        jobs.enableProgrammeControls(false);
        jobs.cmdProg_Click();
        written = eeprom_.lastWrite() == WriteResult::Written;
    });
    step(ctx::ExitAndWrite, [&] {
        // A write that stopped is as much a failure as a read reply that failed its checks.
        if (!st_.commsError && written && !eeprom_.imageModified()) {
            v_.setVisible(QStringLiteral("frmProgramme"), false);
            v_.setVisible(QStringLiteral("frmMain1"), true);
        } else {
            // The write failed: the changes stay pending in programme mode (the job keeps them).
            left = false;
            jobs.enableProgrammeControls(true);
        }
    });
    return left;
}

void MainForm::boxToIdle()
{
    st_.commsError = false;
    link_.sendData("%\r");
    link_.boxCmdPercent();
}

bool MainForm::askToWrite()
{
    return svc_.dialogs->askRisky(QStringLiteral("Write New Data To Coin Mech"), plat::mb::YesNo | plat::mb::Exclamation,
                                  QStringLiteral("Confirm Action")) == plat::mb::Yes;
}

bool MainForm::writeAdjustEdits(MechJobs& jobs, bool unstored)
{
    bool left = true;
    step(ctx::FormUnload, [&] {
        if (!eeprom_.imageModified() && !eeprom_.adjustEditsPending() && !unstored)
            return;
        if (!askToWrite()) {
            eeprom_.dropChanges();
            return;
        }
        left = false;
        // Its own road: the shown coin stored again, the whole EEPROM written and verified, and
        // on a failure the panel left open with its controls usable.
        left = jobs.writeAdjustEdits();
    });
    return left;
}

bool MainForm::exitWithChanges(MechJobs& jobs)
{
    const bool portOpen = st_.portOpen;
    const bool adjusting = v_.isVisible(QStringLiteral("frmAdjust"));
    bool unstored = false;
    bool stay = false;
    step(ctx::FormUnload, [&] {
        // The coin the adjust panel shows goes into the image first, as "Write to Mech" and
        // "Save to File" take it: an edit not yet stored by a coin change is an edit all the same.
        if (adjusting)
            unstored = !jobs.storeAdjustCoin();
        if (portOpen || (!eeprom_.imageModified() && !eeprom_.adjustEditsPending() && !unstored))
            return;
        // Nothing can take them to the mech: their loss is the user's choice, never silent.
        if (svc_.dialogs->askRisky(kNoBoxText, plat::mb::Exclamation | plat::mb::OKCancel, kExitTitle) == plat::mb::OK)
            eeprom_.dropChanges();
        else
            stay = true;
    });
    if (!portOpen)
        return !stay;
    bool written = true;
    if (adjusting) {
        // The adjust panel stays as it is until its own write has left it.
        step(ctx::ExitAndWrite, [&] { boxToIdle(); });
        written = writeAdjustEdits(jobs, unstored);
    } else {
        written = exitAndWrite(jobs);
    }
    if (!written) {
        step(ctx::FormUnload, [&] {
            svc_.dialogs->msgBox(kExitCalledOffText, plat::mb::Exclamation | plat::mb::OKOnly, kExitTitle);
        });
    }
    return written;
}

} // namespace ardwell
