// The coin data gathering run of the programme panel ("Start Coin Drop"): ask the mech for coin
// data, take each dropped coin's values, remove fliers and ask for redrops, find the window
// level and limits, pack the window into the coin's record and move on to the next channel.
#include "ardwell/bench/coinlog.h"
#include "ardwell/bench/programmepanel.h"
#include "ardwell/bench/windowpack.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/view.h"
#include "platform/vbtext.h"

#include <QDir>

namespace ardwell {

namespace {

const QString kRunContext = QStringLiteral("Error Collecting Coin Data routine : ");
const QString kLogContext = QStringLiteral("Error Opening Log file : ");
const QString kPackContext = QStringLiteral("Error transferring coin windows to EEPROM routine : ");
const QString kFlierContext = QStringLiteral("Error in Flier Elimination Routine : ");
const QString kCoinData = QStringLiteral("Coin Data");

constexpr int kCoinWaitSeconds = 60;

} // namespace

bool ProgrammePanel::openLogFile()
{
    bool open = false;
    plat::trap(
        [&] {
            const QString chosen =
                svc_.dialogs->saveFileName(QStringLiteral("Open Log File"), QStringLiteral("*.csv"), svc_.env->programFolder());
            const std::optional<QString> path = logFilePath(chosen);
            if (!path)
                return; // cancelled: the run does not start
            if (link_.fileExists(*path) &&
                svc_.dialogs->askRisky(QStringLiteral("Overwrite Existing File"),
                                       plat::mb::OKCancel | plat::mb::Exclamation, QStringLiteral("Warning")) != plat::mb::OK)
                return;
            open = true;
            // A log that cannot be made costs the run its log, not the run: said once, the
            // coins are gathered without it.
            if (!plat::writeLines(*path, {})) {
                bench_.loggingOn = false;
                box(QStringLiteral("The log file ") + QDir::toNativeSeparators(*path) +
                        QStringLiteral(" cannot be created\r\n\r\nCoin data is gathered without a log"),
                    plat::mb::OKOnly | plat::mb::Exclamation, QStringLiteral("Warning"));
                return;
            }
            logPath_ = *path;
        },
        [&](const std::exception& e) { link_.showError(kLogContext, e); });
    return open;
}

void ProgrammePanel::writeLog(const QString& record)
{
    if (logPath_.isEmpty())
        return;
    QString why;
    if (!plat::appendLines(logPath_, {record}, &why)) {
        // Said once, with the file and the system's reason; the run goes on without its log.
        logPath_.clear();
        link_.showError(kRunContext, plat::RuntimeError(plat::err::PathFileAccess, why));
    }
}

LogSink ProgrammePanel::logSink()
{
    return [this](const QString& record) { writeLog(record); };
}

bool ProgrammePanel::flierElimination()
{
    bool more = false;
    plat::trap(
        [&] {
            const FlierProposal p = proposeFlierElimination(bench_, learningOptions(view()), logSink());
            if (p.noReadings)
                return;
            bool accepted = true;
            if (p.ask())
                accepted = box(p.message(), plat::mb::OKCancel | plat::mb::Exclamation, QStringLiteral("Data Error")) ==
                           plat::mb::OK;
            more = applyFlierElimination(bench_, p, accepted);
            view().setText(QStringLiteral("lblCoinCount"), plat::str(bench_.coinsToGather));
        },
        [&](const std::exception& e) { link_.showError(kFlierContext, e); });
    return more;
}

void ProgrammePanel::learnAndProgramme()
{
    const LearningOptions o = learningOptions(view());
    searchWindowLevel(bench_, o, logSink());
    calculateLimits(bench_, o, logSink());
    job_.markModified();
    box(QStringLiteral("Data Gathered"), plat::mb::OKOnly, kCoinData);
    logPath_.clear();

    plat::trap(
        [&] {
            const WindowPackResult r = job_.storeLearnedWindow(view().text(QStringLiteral("cmbCoinNumber")), bench_);
            for (const QString& w : r.widthWarnings)
                box(w, plat::mb::OKOnly | plat::mb::Information, QStringLiteral("Warning"));
            if (!r.stored())
                box(r.error, plat::mb::Critical | plat::mb::OKOnly | plat::mb::SystemModal, QStringLiteral("Error"));
        },
        [&](const std::exception& e) { link_.showError(kPackContext, e); });

    const int index = view().value(QStringLiteral("cmbCoinNumber"));
    if (index < view().items(QStringLiteral("cmbCoinNumber")).size() - 1) {
        view().setValue(QStringLiteral("cmbCoinNumber"), index + 1);
        cmbCoinNumber_Click();
    }
}

void ProgrammePanel::cmdCoinData_Click()
{
    plat::View& v = view();
    // A count the run cannot hold (0, text, more than its tables take) is refused before a byte
    // goes out: with no readings the level search would learn a window from nothing.
    const std::optional<int> count = coinCountOf(v.text(QStringLiteral("cmbCoinCount")));
    if (!count) {
        box(QString::fromLatin1(kCoinCountMessage), plat::mb::Critical | plat::mb::OKOnly, kCoinData);
        return;
    }

    link_.startupPort();
    bench_.abortFlag = false;
    bench_.loggingOn = v.value(QStringLiteral("chkLogging")) != 0;
    logPath_.clear();
    if (bench_.loggingOn && !openLogFile()) {
        logPath_.clear();
        return;
    }

    plat::trap(
        [&] {
            link_.boxCmdAmp();
            enableProgrammeControls(false);
            v.setVisible(QStringLiteral("cmdCancelOp"), true);
            v.setVisible(QStringLiteral("cmdExitProgramme"), false);
            bench_.fliersLimit = {15, 15, 10, 10, 20, 20, 20};
            if (!st_.mechLoggedOn) {
                // The mech was powered down (a write that failed) or the port lost since the
                // panel opened: it is powered and logged on again before it is asked for data.
                link_.logon();
                if (!st_.mechLoggedOn)
                    return; // the logon has said so
            }

            for (int request = 1; request <= 2; ++request) {
                st_.boxAcknowledged = false;
                if (request == 1)
                    link_.requestCoinData1();
                else
                    link_.requestCoinData2();
                link_.waitSeconds(1, [&] { return st_.boxAcknowledged || bench_.abortFlag; });
                if (!st_.boxAcknowledged)
                    bench_.abortFlag = true;
            }

            if (!bench_.abortFlag) {
                updateLatestResults(bench_, 1);
                if (bench_.loggingOn)
                    writeLog(logHeaderRecord());
                bench_.coinsToGather = *count;
                v.setText(QStringLiteral("lblCoinCount"), plat::str(bench_.coinsToGather));
            }

            for (;;) {
                link_.hopperPulse(view().value(QStringLiteral("chkHopper")) == 1);
                reports_.coinDataReceived = false;
                link_.waitSeconds(kCoinWaitSeconds, [&] { return reports_.coinDataReceived || bench_.abortFlag; });
                const bool coin = reports_.coinDataReceived;
                if (coin && bench_.coinsToGather >= 1 && !bench_.abortFlag) {
                    calcResults(bench_, reports_.coinReading, reports_.coinBaseline, logSink());
                    updateLatestResults(bench_, 0);
                    v.setText(QStringLiteral("lblCoinCount"), plat::str(bench_.coinsToGather));
                    link_.makeSound(false);
                }
                if (bench_.coinsToGather > 0 && coin && !bench_.abortFlag)
                    continue;
                const bool more = !bench_.abortFlag && flierElimination();
                if (more && !bench_.abortFlag)
                    continue;
                break;
            }

            if (bench_.coinsToGather == 0 && !bench_.abortFlag)
                learnAndProgramme();
            else if (!bench_.abortFlag)
                box(QStringLiteral("Data Gathering Timeout"), plat::mb::OKOnly, kCoinData);
        },
        [&](const std::exception& e) { link_.showError(kRunContext, e); });
    logPath_.clear();

    plat::trap(
        [&] {
            updateCoinWindows();
            enableProgrammeControls(true);
            v.setVisible(QStringLiteral("cmdCancelOp"), false);
            v.setVisible(QStringLiteral("cmdExitProgramme"), true);
        },
        [&](const std::exception& e) { link_.showError(kRunContext, e); });
}

} // namespace ardwell
