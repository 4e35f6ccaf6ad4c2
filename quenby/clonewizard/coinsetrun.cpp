#include "quenby/clonewizard/coinsetrun.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/clonewizard/channelmap.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/measurelog.h"
#include "quenby/link/marsprom.h"
#include "quenby/memutils/datafiles.h"
#include "quenby/memutils/promimage.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

#include <QDir>

namespace quenby {

namespace {

namespace id {
constexpr int InvalidFilename = 405;
constexpr int ErrorTitle = 406;
constexpr int CancelOperation = 407;
constexpr int InvalidType = 408;
constexpr int WarningTitle = 409;
constexpr int InvalidMaker = 410;
constexpr int NotACoinset = 620;
constexpr int BackToMain = 411;
constexpr int IdlesOut = 412;
constexpr int IdlesLimits = 413;
constexpr int IdlesCause = 416;
constexpr int IdlesTitle = 417;
constexpr int Complete = 418;
constexpr int CompleteTitle = 419;
constexpr int Overwrite = 448;
constexpr int OverwriteTitle = 449;
constexpr int CoinsetErrorTitle = 452;
constexpr int Gathered = 494;
using textid::Gathering;
constexpr int OpenCoinset = 550;
constexpr int OpenLog = 551;
constexpr int NoticeFirst = 560;
} // namespace id

// The controls a run leaves alone while it gathers; Cancel Operation alone answers then.
void lockChoices(plat::View& v, bool locked)
{
    for (int s = 0; s < 4; ++s)
        v.setEnabled(QStringLiteral("chkSeg"), !locked, s);
    for (const char* name : {"opt1K", "Opt2K", "chkLog", "chkduplicate"})
        v.setEnabled(QString::fromLatin1(name), !locked);
}

} // namespace

void startMarsMeasuring(CloneContext& c, const QString& model)
{
    setupTimings(c.mech, model);
    c.link.sendAndWait("M");
    c.link.sendData("I");
    if (c.entry().mars.cfdAfterStart)
        c.link.sendCfd();
}

void readMarsIdles(CloneContext& c)
{
    if (c.entry().mars.idlePauseMs > 0)
        c.link.delayMs(c.entry().mars.idlePauseMs);
    c.link.expectLine(BoxLine::Idle);
    c.link.sendAndWait("Y");
}

QString gatherPromptTitle(const QString& description) { return QStringLiteral("Data Gather: ") + description; }

QString gatherPromptText()
{
    return QStringLiteral("Press YES to PROGRAM new coin\r\n\r\nPress NO to KEEP existing coin\r\n\r\n"
                          "Press CANCEL to CLEAR this coin channel");
}

void CoinsetRun::log(const QStringList& rows)
{
    MeasureState& m = w_.ctx.measure;
    if (!m.logEnabled)
        return;
    w_.ctx.errors.trap(id::Gathering, [&] { appendLogRows(m, rows); });
}

void CoinsetRun::logCoinStats() { log(logStatsRows(w_.ctx.stats.stats, w_.ctx.params.paramCount)); }

bool CoinsetRun::openLogFile()
{
    CloneContext& c = w_.ctx;
    const QString chosen = c.svc.dialogs->saveFileName(c.text(id::OpenLog), QStringLiteral("*.csv"),
                                                       QDir(c.programFolder()).filePath(QStringLiteral("CoinSets")));
    // A cancelled dialog opens no file: the run or wizard does not start.
    const QString path = logFilePath(chosen);
    if (path.isEmpty())
        return false;
    if (c.fileExists(path) &&
        c.svc.dialogs->askRisky(c.text(id::Overwrite), plat::mb::OKCancel | plat::mb::Exclamation,
                                c.text(id::OverwriteTitle)) != plat::mb::OK)
        return false;
    QString why;
    if (!plat::writeLines(path, {}, &why)) {
        c.errors.reportError(id::Gathering, plat::RuntimeError(plat::err::PathFileAccess, why));
        return false;
    }
    c.measure.logPath = path;
    return true;
}

bool CoinsetRun::checkFile(const QString& path, CoinsetCheck& check)
{
    CloneContext& c = w_.ctx;
    check = readCoinsetFile(path, c.job.mechFamily, c.texts);
    if (check.outcome != CoinsetCheck::Outcome::Invalid)
        return true;
    c.message(coinsetVerdictText(check.verdict, c.texts), plat::mb::OKOnly | plat::mb::Exclamation,
              id::CoinsetErrorTitle);
    return false;
}

void CoinsetRun::cmdOpenCoinset_Click()
{
    CloneContext& c = w_.ctx;
    plat::View& v = w_.view();
    const JobState::Run run(c.job);
    c.mem.startMechJob();
    // Before the duplicate programming: it skips the words the mech already holds, so it must
    // read this mech rather than trust the images of the last one.
    clearImageBuffers(c.mem.images);

    if (!c.mars() && v.value(QStringLiteral("chkduplicate")) == 1) {
        bool ok = false;
        w_.ctx.errors.trap(id::Gathering, [&] {
            MemoryWindows& m = c.windows.memoryWindows();
            ok = c.entry().isNri() ? m.NRIprogramme() : m.eeProgramme();
        });
        if (!ok)
            return;
    }

    c.measure.logEnabled = v.value(QStringLiteral("chkLog")) == 1;
    const QString chosen = c.svc.dialogs->openFileName(c.text(id::OpenCoinset), QStringLiteral("*.cst"),
                                                       coinSetsFolder(c.programFolder()));
    if (chosen.isEmpty())
        return;
    const QString path = coinsetFilePath(chosen);
    if (!c.fileExists(path)) {
        c.message(c.text(id::InvalidFilename), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
        return;
    }
    // The whole file is checked before anything is sent, logged or stored.
    CoinsetCheck check;
    if (!checkFile(path, check))
        return;

    if (isGenericCoinset(path)) {
        QString notice = c.text(id::NoticeFirst) + QStringLiteral("\r\n\r\n");
        for (int k = 1; k <= 4; ++k)
            notice += c.text(id::NoticeFirst + k) + QStringLiteral("\r\n");
        notice += QStringLiteral("\r\n") + c.text(id::NoticeFirst + 5);
        if (c.svc.dialogs->msgBox(notice, plat::mb::OKCancel | plat::mb::Information, QString()) != plat::mb::OK)
            return;
    }
    if (c.measure.logEnabled && !openLogFile()) {
        c.measure.logEnabled = false;
        return;
    }

    w_.ctx.errors.trap(id::Gathering, [&] {
        showPromLimits(v, c.params.paramCount, c.texts);
        c.windows.showMain(false);
        v.setText(QStringLiteral("frmCoinMeasure1"), path);
        c.stats.runActive = true;
        v.setEnabled(QStringLiteral("cmdOpenCoinset"), false);
        v.setEnabled(QStringLiteral("cmdSpecialUtilities"), false);
        v.setEnabled(QStringLiteral("cmdBack"), true);
        v.setText(QStringLiteral("cmdBack"), c.text(id::CancelOperation));
        lockChoices(v, true);
    });
    c.link.sendJ();

    v.setText(QStringLiteral("lblmechType"), QString());
    const CoinsetHeader& h = check.header;
    if (!check.accepted()) {
        c.message(c.text(id::InvalidType) + (check.notText ? c.text(id::NotACoinset) : h.model),
                  plat::mb::OKOnly | plat::mb::Exclamation, id::WarningTitle);
        if (!check.notText && familyNamed(h.family) != c.job.mechFamily)
            c.message(c.text(id::InvalidMaker) + h.family, plat::mb::OKOnly | plat::mb::Exclamation, id::WarningTitle);
        c.stats.runActive = false;
        c.measure.logEnabled = false;
        // The job's model stays what the window shows, for a wizard or run that follows.
        v.setText(QStringLiteral("lblmechType"), c.job.mechModel);
        v.setEnabled(QStringLiteral("cmdOpenCoinset"), true);
        v.setEnabled(QStringLiteral("cmdSpecialUtilities"), true);
        v.setEnabled(QStringLiteral("cmdBack"), true);
        v.setText(QStringLiteral("cmdBack"), c.text(id::BackToMain));
        lockChoices(v, false);
        c.stats.stats.recordKind = kCoinRecord;
        return;
    }

    w_.ctx.errors.trap(id::Gathering, [&] {
        v.setText(QStringLiteral("lblmechType"), h.model);
        c.job.mechModel = h.model;
        setMechParameters(c.params, c.job.mechFamily, h.model, c.texts);
    });
    w_.frame.CoinInitialise(1);
    w_.ctx.errors.trap(id::Gathering, [&] {
        v.setText(QStringLiteral("lblCoinsetTitle"), h.title);
        v.setText(QStringLiteral("lblRefCode"), h.refCode.left(5));
        v.setText(QStringLiteral("lblVersion"), h.version.left(3));
        if (c.mars())
            startMarsMeasuring(c, h.model);
        log({logHeaderRow(h)});
    });

    bool idlesOk = true;
    if (check.mars)
        idlesOk = marsPromLine(*check.mars);
    if (idlesOk)
        runRecords(check);
    endRun(idlesOk && !c.job.userAbort);
}

bool CoinsetRun::marsPromLine(const MarsPromLine& m)
{
    CloneContext& c = w_.ctx;
    plat::View& v = w_.view();
    CoinTables& t = c.coins();
    bool ok = false;
    w_.ctx.errors.trap(id::Gathering, [&] {
        w_.wizards.selectPromSize(m.size2K);
        c.mem.promSize = m.size2K ? 1 : 0;
        std::array<int, 4> boxes{};
        for (int i = 0; i < 4; ++i) {
            boxes[std::size_t(i)] = m.segments[std::size_t(i)];
            v.setValue(QStringLiteral("chkSeg"), boxes[std::size_t(i)], i);
        }
        readSegmentChecks(boxes, t.segmentSelected);
        w_.wizards.fillSegmentList();
        w_.wizards.fillChannelLists();
        if (!c.job.userAbort)
            log({logPromRow(m), logEmptyRow()});
        readMarsIdles(c);
        const LinkState& st = c.link.state();
        if (!c.job.userAbort)
            log({logIdlesRow(st.idleValues)});
        ok = c.link.lineSeen(BoxLine::Idle) && m.idleInRange(st.idleValues);
        if (ok)
            return;
        QString text = c.text(id::IdlesOut) + QStringLiteral("\r\n\r\n") + QStringLiteral("Idles:       ") +
                       QStringLiteral("Readings:    ");
        for (qint32 idle : st.idleValues)
            text += plat::str(idle) + QString(13, u' ');
        text += QStringLiteral("\r\n") + c.text(id::IdlesLimits);
        for (int k = 1; k <= 6; ++k) {
            if (k % 2 == 1)
                text += u'[';
            text += plat::str(m.idleLimits[std::size_t(k - 1)]) + QStringLiteral("  ");
            if (k % 2 == 0)
                text += QStringLiteral("]  ");
        }
        text += QStringLiteral("\r\n\r\n") + c.text(id::IdlesCause);
        c.message(text, plat::mb::OKOnly | plat::mb::Critical, id::IdlesTitle);
    });
    return ok;
}

void CoinsetRun::runRecords(const CoinsetCheck& check)
{
    for (const CoinsetRecord& r : check.records) {
        if (w_.ctx.job.userAbort)
            break;
        w_.ctx.errors.trap(id::Gathering, [&] { record(r); });
    }
}

void CoinsetRun::record(const CoinsetRecord& r)
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    RecordStats& s = c.stats.stats;
    const int pc = c.params.paramCount;
    s.recordKind = kCoinRecord;
    c.stats.updateStats(1);
    applyRecordSettings(r, s, c.stats.flierTolerance, pc);
    if (r.gathers() || r.type == RecordType::RefCoin)
        w_.frame.showLimitSources();
    switch (r.type) {
    case RecordType::CoinDrop:
        c.measure.samplesLeft = r.count;
        if (gatherCoinData(r.name, r.description, 1) == Gathered::Kept) {
            t.coinLink(r.channel) = r.channel;
            t.clone.keepExistingData = true;
        }
        break;
    case RecordType::RefCoin:
        setReferenceRecipe(t.clone.refs, r.channel, r.limits);
        break;
    case RecordType::CopyCoin:
        t.coinLink(r.channel) = r.sourceChannel;
        t.clone.keepExistingData = true;
        break;
    case RecordType::Slug:
        c.measure.samplesLeft = r.count;
        gatherCoinData(r.name, r.description, 2);
        break;
    case RecordType::Reference:
        c.measure.samplesLeft = r.count;
        if (gatherCoinData(r.name, r.description, 3) == Gathered::Stored)
            storeReferenceMeans(t.clone.refs, r.channel, s, pc);
        break;
    case RecordType::Values:
        for (int k = 0; k < 16; ++k)
            t.coinValues(k + 1) = r.values[std::size_t(k)];
        t.coinValueMultiple = r.values[16];
        break;
    case RecordType::Data:
        if (r.key.endsWith(u'P')) {
            c.measurement.decodeNriCoinData(r.texts.value(0));
        } else if (r.key.endsWith(u'X')) {
            for (int k = 0; k < 6; ++k)
                t.nriXValues(k) = r.values[std::size_t(k)];
            t.nriXLoaded = true;
        } else if (r.key == u"120M" || r.key == u"120N") {
            for (int k = 0; k < 12; ++k)
                t.coinOutputs(k) = r.values[std::size_t(k)];
            t.c120OutputsLoaded = true;
            t.c120LayoutM = r.key == u"120M";
        } else if (!r.texts.isEmpty()) {
            for (int k = 0; k < r.texts.size() && k < 2; ++k)
                t.nriRouting(k) = r.texts[k];
            t.routingLoaded = true;
        } else {
            for (std::size_t k = 0; k < r.values.size(); ++k)
                t.routingTable(int(k)) = r.values[k];
            t.routingLoaded = true;
        }
        break;
    case RecordType::Other:
        break;
    }
}

CoinsetRun::Gathered CoinsetRun::gatherCoinData(const QString& name, const QString& description, int mode)
{
    CloneContext& c = w_.ctx;
    plat::View& v = w_.view();
    Gathered out = Gathered::Stopped;
    w_.ctx.errors.trap(id::Gathering, [&] {
        const qint32 channel = coinnumber(name);
        v.setText(QStringLiteral("lblCoin"), name);
        v.setText(QStringLiteral("lblDescription"), description);
        v.setText(QStringLiteral("lblNumber"), plat::str(c.measure.samplesLeft));
        c.stats.updateDisplay(mode);
        v.setVisible(QStringLiteral("frmCoinMeasure1"), true);
        int answer = plat::mb::Cancel;
        if (!c.job.userAbort) {
            answer = c.svc.dialogs->msgBox(gatherPromptText(), plat::mb::YesNoCancel, gatherPromptTitle(description));
            log(logRecordRows(description, name, c.params.paramNames, c.params.paramCount));
        }
        if (c.job.userAbort || answer != plat::mb::Yes) {
            c.measure.samplesLeft = 0;
            out = c.job.userAbort ? Gathered::Stopped : answer == plat::mb::No ? Gathered::Kept : Gathered::Cleared;
            return;
        }
        gatherSamples(channel);
        if (c.job.userAbort)
            return;
        storeRecord(mode, channel, true);
        out = Gathered::Stored;
        c.svc.dialogs->msgBox(c.text(id::Gathered) + description, plat::mb::OKOnly, QString());
    });
    return out;
}

void CoinsetRun::gatherSamples(int channel)
{
    CloneContext& c = w_.ctx;
    bool again = true;
    while (again) {
        c.measurement.startMeasurement(channel);
        {
            const JobState::Measuring measuring(c.job);
            while (c.measure.samplesLeft >= 1 && !c.job.userAbort)
                c.svc.sched->pump();
            c.measure.samplesLeft = 0;
            c.measurement.stopMeasurement();
        }
        again = !c.job.userAbort && c.stats.eliminateFliers() && !c.job.userAbort;
    }
}

void CoinsetRun::storeRecord(int mode, qint32 channel, bool storeLimits)
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    const RecordStats& s = c.stats.stats;
    const int pc = c.params.paramCount;
    const int r = t.clone.recordRow;
    for (int p = 1; p <= pc; ++p) {
        t.coinsetStats(r, p - 1) = s.paramMean[std::size_t(p)];
        t.coinsetStats(r, pc - 1 + p) = s.paramSdLower[std::size_t(p)];
        t.coinsetStats(r, 2 * pc - 1 + p) = s.paramSdUpper[std::size_t(p)];
    }
    logCoinStats();
    // A record stored without limits holds none: nothing left from an earlier job may pass for
    // its windows.
    for (int L = 1; L <= 2 * pc; ++L)
        t.coinsetRecords(r, L + 1) = storeLimits ? s.recordLimits[std::size_t(L)] : 0;
    log({logEmptyRow()});
    t.coinsetRecords(r, 0) = mode;
    t.coinsetRecords(r, 1) = channel;
    t.clone.recordRow = nextRecordRow(r);
}

void CoinsetRun::endRun(bool transfer)
{
    CloneContext& c = w_.ctx;
    plat::View& v = w_.view();
    c.measure.logEnabled = false;
    c.svc.sound->beep();
    c.stats.updateStats(1);
    v.setText(QStringLiteral("lblCoin"), QString());
    v.setText(QStringLiteral("lblDescription"), QString());
    v.setText(QStringLiteral("lblNumber"), QString());
    if (transfer) {
        c.message(c.text(id::Complete), plat::mb::OKOnly, id::CompleteTitle);
        w_.frame.PROMxfr();
    }
    c.link.sendW();
    v.setEnabled(QStringLiteral("cmdOpenCoinset"), true);
    v.setEnabled(QStringLiteral("cmdSpecialUtilities"), true);
    c.stats.runActive = false;
    c.stats.stats.recordKind = kCoinRecord;
    c.stats.updateDisplay(1);
    if (!transfer && !c.job.userAbort) {
        // The window stays open, idle: its Back leads to the main window again.
        v.setText(QStringLiteral("cmdBack"), c.text(id::BackToMain));
        lockChoices(v, false);
    }
    if (c.job.userAbort) {
        w_.frame.CoinInitialise(0);
        c.stats.runActive = false;
    }
}

} // namespace quenby
