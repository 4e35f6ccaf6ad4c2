#include "quenby/shell/frmvaltest.h"

#include "quenby/link/marsprom.h"
#include "quenby/program.h"
#include "quenby/shell/coinreports.h"
#include "quenby/shell/frmmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>

namespace quenby {

namespace {

using plat::place;

namespace id {
constexpr int SetUpTest = 121;
constexpr int ClearingIndicators = textid::ClearingValtest;
constexpr int Closing = 1400;
constexpr int Opening = 1401;
constexpr int SetUpDisplay = 1405;
constexpr int RemoveLoom = 1406;
constexpr int CountText0 = 1420;
constexpr int CountText1 = 1421;
constexpr int MechType = 1422;
constexpr int FirstCoin = 1423; // "Coin A" .. "Coin I", then "Rejected" up to line 16
constexpr int OutputMode = 1439;
constexpr int Single = 1440;
constexpr int Binary = 1441;
constexpr int ClearCounts = 1442;
constexpr int Back = 1443;
} // namespace id

const QString kProgramTitle = QStringLiteral("Quenby");
const QString kWindowTitle = QStringLiteral("Validator Test");

// Control sizes and the right-hand panel, in twips.
constexpr int kCaptionWidth = 1900;
constexpr int kLampWidth = 375;
constexpr int kCountWidth = 700;
constexpr int kRowHeight = 255;
constexpr int kPanelLeft = 3360;
constexpr int kPanelWidth = 2400;
constexpr int kCountHeadingY = 120;
constexpr int kFrameTop = 960;
constexpr int kFrameHeight = 1080;
constexpr int kButtonHeight = 450;
constexpr int kButtonsTop = 1200;        // without the Output Mode frame
constexpr int kButtonsTopLower = 2280;   // below it
constexpr int kButtonGap = 600;
constexpr int kBinaryLeft = 240;
constexpr int kBinaryStep = 480;
constexpr int kBinaryCaptionTop = 3480;
constexpr int kBinaryLampTop = 3720;
const char* const kBinaryCaptions[kBinaryIndicators] = {"A5", "A4", "A3", "A2", "A1"};

} // namespace

frmValtest::frmValtest(Program& program) : p_(program)
{
    build();
    Form_Load();
}

void frmValtest::build()
{
    setWindowTitle(kWindowTitle);
    c_.add(this, QStringLiteral("frmValtest"));
    for (int i = 0; i < kValtestLines; ++i) {
        c_.add(new QLabel(this), QStringLiteral("lblCoin"), i);
        c_.add(new plat::Lamp(this, plat::Lamp::Shape::Circle), QStringLiteral("shpCoin"), i);
        c_.add(new QLabel(this), QStringLiteral("lblCount"), i);
    }
    for (int i = 0; i < kBinaryIndicators; ++i) {
        auto* caption = c_.add(new QLabel(QString::fromLatin1(kBinaryCaptions[i]), this), QStringLiteral("lblBinCode"), i);
        place(caption, kBinaryLeft + kBinaryStep * i, kBinaryCaptionTop, kLampWidth, kRowHeight);
        caption->setAlignment(Qt::AlignCenter);
        place(c_.add(new plat::Lamp(this, plat::Lamp::Shape::Circle), QStringLiteral("shpBinary"), i),
                    kBinaryLeft + kBinaryStep * i, kBinaryLampTop, kLampWidth, kRowHeight);
    }
    for (int i = 0; i < 2; ++i)
        c_.add(new QLabel(this), QStringLiteral("lblCountText"), i);
    c_.add(new QLabel(this), QStringLiteral("lblType"));
    c_.add(new QLabel(this), QStringLiteral("lblmechType"));
    cmbG40 = c_.add(new QComboBox(this), QStringLiteral("cmbG40"));
    frmOptions = c_.add(new QGroupBox(this), QStringLiteral("frmOptions"));
    optSingle = c_.add(new QRadioButton(frmOptions), QStringLiteral("optSingle"));
    place(optSingle, 120, 300, 2000, kRowHeight);
    optBinary = c_.add(new QRadioButton(frmOptions), QStringLiteral("optBinary"));
    place(optBinary, 120, 660, 2000, kRowHeight);
    optSingle->setChecked(true);
    cmdClearCount = c_.add(new QPushButton(this), QStringLiteral("cmdClearCount"));
    cmdBack = c_.add(new QPushButton(this), QStringLiteral("cmdBack"));

    // The design state: one column of lines, the narrow window, Single output.
    ValtestLayout design;
    design.width = 5910;
    design.height = 4775;
    render(design);

    // Only a user's choice runs these (code sets the controls with their signals blocked). A
    // choice changes what the box reports, so it runs as a job; while another job waits it is
    // refused and the choice goes back to what the window shows.
    const auto refused = [this] { restoreShownChoice(); };
    plat::onSet(p_.guard, optBinary, plat::Job{[this] { optBinary_Click(); }, refused});
    plat::onSet(p_.guard, optSingle, plat::Job{[this] { optSingle_Click(); }, refused});
    plat::onClick(p_.guard, cmbG40, plat::Job{[this] {
                                   variant_ = kG40Variants.value(cmbG40->currentIndex());
                                   cmbG40_Click();
                               }, refused});
    plat::onClick(p_.guard, cmdClearCount, [this] { cmdClearCount_Click(); });
    plat::onClick(p_.guard, cmdBack, plat::Job{[this] { cmdBack_Click(); }});
}

void frmValtest::restoreShownChoice()
{
    const QSignalBlocker single(optSingle), binary(optBinary), variant(cmbG40);
    (shownBinary_ ? optBinary : optSingle)->setChecked(true);
    variant_ = shownVariant_;
    c_.setText(QStringLiteral("cmbG40"), variant_);
}

void frmValtest::offerG40Variants()
{
    variant_ = kG40DefaultVariant;
    c_.setVisible(QStringLiteral("cmbG40"), false);
    c_.setItems(QStringLiteral("cmbG40"), kG40Variants);
    c_.setText(QStringLiteral("cmbG40"), variant_);
}

void frmValtest::Form_Load()
{
    p_.errors.trap(id::Opening, [&] { setCaptions(); });
    p_.errors.trap(id::Opening, [&] { c_.setVisible(QStringLiteral("lblmechType"), true); });
}

void frmValtest::setCaptions()
{
    const TextTable& t = p_.texts;
    c_.setText(QStringLiteral("lblCountText"), t.getText(id::CountText0), 0);
    c_.setText(QStringLiteral("lblCountText"), t.getText(id::CountText1), 1);
    c_.setText(QStringLiteral("lblType"), t.getText(id::MechType));
    for (int i = 0; i < kValtestLines; ++i)
        c_.setText(QStringLiteral("lblCoin"), t.getText(id::FirstCoin + i), i);
    c_.setText(QStringLiteral("frmOptions"), t.getText(id::OutputMode));
    c_.setText(QStringLiteral("optSingle"), t.getText(id::Single));
    c_.setText(QStringLiteral("optBinary"), t.getText(id::Binary));
    c_.setText(QStringLiteral("cmdClearCount"), t.getText(id::ClearCounts));
    c_.setText(QStringLiteral("cmdBack"), t.getText(id::Back));
}

void frmValtest::render(const ValtestLayout& layout)
{
    for (int i = 0; i < int(layout.lines.size()) && i < kValtestLines; ++i) {
        const ValtestLine& line = layout.lines[size_t(i)];
        place(c_.widget(QStringLiteral("lblCount"), i), line.countLeft, line.top, kCountWidth, kRowHeight);
        place(c_.widget(QStringLiteral("shpCoin"), i), line.indicatorLeft, line.top, kLampWidth, kRowHeight);
        place(c_.widget(QStringLiteral("lblCoin"), i), line.captionLeft, line.top, kCaptionWidth, kRowHeight);
        c_.setText(QStringLiteral("lblCoin"), line.caption, i);
        for (const char* name : {"lblCount", "shpCoin", "lblCoin"})
            c_.setVisible(QString::fromLatin1(name), true, i);
    }
    const int panel = kPanelLeft + layout.panelShift;
    const int firstColumnX = layout.lines.empty() ? 2040 : layout.lines.front().countLeft;
    place(c_.widget(QStringLiteral("lblCountText"), 0), firstColumnX - 240, kCountHeadingY, 1200, kRowHeight);
    place(c_.widget(QStringLiteral("lblCountText"), 1), firstColumnX - 240 + layout.panelShift, kCountHeadingY, 1200,
          kRowHeight);
    c_.setVisible(QStringLiteral("lblCountText"), layout.wide, 1);
    place(c_.widget(QStringLiteral("lblType")), panel, 120, kPanelWidth, kRowHeight);
    place(c_.widget(QStringLiteral("lblmechType")), panel, 480, kPanelWidth, kRowHeight);
    place(cmbG40, panel, 420, 1800, 330);
    place(frmOptions, panel, kFrameTop, kPanelWidth, kFrameHeight);
    frmOptions->setVisible(layout.binaryPossible);
    const int buttons = layout.binaryPossible ? kButtonsTopLower : kButtonsTop;
    place(cmdClearCount, panel, buttons, kPanelWidth, kButtonHeight);
    place(cmdBack, panel, buttons + kButtonGap, kPanelWidth, kButtonHeight);
    setFixedSize(plat::twipsToPixels(layout.width), plat::twipsToPixels(layout.height));
}

void frmValtest::setupDisplay()
{
    const JobState& job = p_.job;
    const LinkState& st = p_.state;
    p_.errors.trap(id::SetUpDisplay, [&] {
        hide();
        cmbG40->hide();
        for (int i = 0; i < kBinaryIndicators; ++i) {
            c_.setVisible(QStringLiteral("shpBinary"), false, i);
            c_.setVisible(QStringLiteral("lblBinCode"), false, i);
        }
    });
    const MechEntry entry = mechEntry(job.mechFamily, job.mechModel);
    if (entry.valtest.showsG40Variants) {
        p_.errors.trap(id::SetUpDisplay, [&] {
            cmbG40->show();
            c_.setVisible(QStringLiteral("lblmechType"), false);
        });
    }
    const ValtestChoice choice{variant_, optBinary->isChecked(), st.boxVersion};
    p_.errors.trap(id::SetUpDisplay, [&] {
        for (int i = 0; i < kValtestLines; ++i)
            for (const char* name : {"lblCoin", "lblCount", "shpCoin"})
                c_.setVisible(QString::fromLatin1(name), false, i);
    });
    // Only whether a line came matters, not what it says.
    bool answered = false;
    if (valtestProbes(entry, choice)) {
        p_.errors.trap(id::SetUpDisplay, [&] { answered = p_.link.sendAndWait("*"); });
    }
    for (const BoxStep& step : valtestRestart(entry, choice.g40Variant))
        p_.errors.trap(id::SetUpDisplay, 
                       [&] { step.waits ? void(p_.link.sendAndWait(step.bytes)) : p_.link.sendData(step.bytes); });
    p_.errors.trap(id::SetUpDisplay, [&] {
        const ValtestLayout layout = valtestLayout(entry, choice, answered, p_.texts);
        // A layout without a "Rejected" line leaves none: an "R" then lights nothing.
        p_.rejectLine = layout.rejectLine;
        render(layout);
    });
    shownBinary_ = choice.binarySelected;
    shownVariant_ = choice.g40Variant;
    clearValtestCounts(c_);
    p_.errors.trap(id::SetUpDisplay, [&] {
        const QScreen* s = screen();
        const QRect area = s ? s->availableGeometry() : QRect(0, 0, width(), height());
        move(centredIn(area, width(), height()).topLeft());
        show();
    });
}

void frmValtest::selectSingle()
{
    if (optSingle->isChecked())
        return; // the design state: nothing changes, nothing runs
    {
        const QSignalBlocker single(optSingle), binary(optBinary);
        optSingle->setChecked(true);
    }
    optSingle_Click();
}

void frmValtest::optBinary_Click()
{
    setupDisplay();
    const ValtestModel m = mechEntry(p_.job.mechFamily, p_.job.mechModel).valtest;
    if (!m.binaryReports)
        return;
    p_.link.sendAndWait("*");
    if (m.removeLoomFirst)
        p_.svc.dialogs->msgBox(p_.texts.getText(id::RemoveLoom), plat::mb::OKOnly, kProgramTitle);
    p_.link.sendData("C00");
    for (int i = 0; i < kBinaryIndicators; ++i) {
        c_.setVisible(QStringLiteral("shpBinary"), true, i);
        c_.setVisible(QStringLiteral("lblBinCode"), true, i);
    }
}

void frmValtest::optSingle_Click()
{
    setupDisplay();
    if (!mechEntry(p_.job.mechFamily, p_.job.mechModel).valtest.binaryReports)
        return;
    p_.link.sendAndWait("O");
    p_.link.sendData("C01");
}

void frmValtest::cmbG40_Click()
{
    hide();
    setupDisplay();
}

void frmValtest::cmdClearCount_Click() { clearValtestCounts(c_); }

void frmValtest::cmdBack_Click()
{
    JobState& job = p_.job;
    p_.errors.trap(id::Closing, [&] {
        if (job.nriG10LineMode)
            p_.layers().resetProgrammerBox(); // ends the mech's serial mode
    });
    job.nriG10LineMode = false;
    p_.errors.trap(id::Closing, [&] {
        hide();
        if (p_.valtestFromMain)
            p_.mainForm().show();
        else
            p_.memoryWindows().showPromWindow();
    });
    p_.errors.trap(id::Closing, [&] {
        plat::View& mainView = p_.mainForm().controls();
        mainView.setEnabled(QStringLiteral("cmdValtest"), true);
        p_.memoryWindows().enablePromValtest();
    });
    p_.errors.trap(id::Closing, [&] { p_.link.sendW(); });
    p_.unloadValtest();
}

void frmValtest::closeEvent(QCloseEvent* e)
{
    // The close box leaves the test as Back does (its "W", the end of G10 serial mode, the
    // menu's button); while another job waits it does nothing.
    e->ignore();
    p_.guard.handleJob(QStringLiteral("frmValtest.cmdBack_Click : "), [this] { cmdBack_Click(); });
}

// ---- starting a test ----------------------------------------------------------------------------

namespace {

// A test whose port is gone is left as Back leaves it (the job has stopped, so nothing is sent):
// no window stays, the opener is shown and its "Validator Test" buttons can be pressed again.
void leaveStoppedTest(Program& p)
{
    if (frmValtest* w = p.valtestIfLoaded()) {
        p.errors.trap(id::Closing, [&] { w->cmdBack_Click(); });
        return;
    }
    p.errors.trap(id::Closing, [&] {
        plat::View& mainView = p.mainForm().controls();
        mainView.setEnabled(QStringLiteral("cmdValtest"), true);
        p.memoryWindows().enablePromValtest();
    });
}

} // namespace

void openValidatorTest(Program& p, int openedFrom)
{
    const auto step = [&p](const std::function<void()>& fn) { p.errors.trap(id::SetUpTest, fn); };
    JobState& job = p.job;
    const MechEntry entry = mechEntry(job.mechFamily, job.mechModel);
    if (entry.valtest.showsG40Variants)
        step([&] { p.valtestForm().offerG40Variants(); });
    step([&] { p.mainForm().startupPort(); });
    p.valtestFromMain = openedFrom == 0;
    job.nriG10LineMode = false;
    // A port that would not open has been said: no test on it.
    if (p.link.jobStopped()) {
        leaveStoppedTest(p);
        return;
    }
    step([&] { p.link.sendAndWait("O"); });
    step([&] { p.link.sendJ(); });
    frmValtest& w = p.valtestForm();
    plat::View& valtestView = w.controls();
    p.errors.trap(id::ClearingIndicators, [&] { resetValtestIndicators(valtestView); });
    clearValtestCounts(valtestView);
    step([&] { w.selectSingle(); });
    step([&] { valtestView.setText(QStringLiteral("lblmechType"), job.mechModel); });

    const ValtestModel& m = entry.valtest;
    bool logon = true;
    if (m.marsTimings) {
        step([&] { p.link.sendAndWait("V"); });
        step([&] { setupTimings(p.mech().ctx, job.mechModel); });
    } else if (m.g10Logon) {
        step([&] { logon = p.layers().nriLogon(); });
        job.nriG10LineMode = true;
    } else if (!m.startCommand.isEmpty()) {
        step([&] { p.link.sendData(m.startCommand); });
    }
    step([&] { w.setupDisplay(); });
    // A G10 mech that did not log on leaves the window open in line mode, with a beep.
    if (!logon) {
        p.svc.sound->beep();
    } else if (!job.nriG10LineMode) {
        step([&] { p.link.sendJ(); });
        step([&] { p.link.sendData("N"); });
    }
    // The port went while the test started: the window it was shown in goes with it.
    if (p.link.jobStopped())
        leaveStoppedTest(p);
}

} // namespace quenby
