#include "ardwell/bench/testpanels.h"

#include "ardwell/bench/lamps.h"
#include "ardwell/link/link.h"
#include "platform/jobguard.h"
#include "platform/runtimeerror.h"
#include "platform/timer.h"
#include "platform/vbtext.h"
#include "platform/view.h"

#include <QScopeGuard>

namespace ardwell {

namespace {

const QString kLaunchContext = QStringLiteral("Error Launching Test routine : ");
const QString kDisplayContext = QStringLiteral("Error Displaying Test Settings routine : ");

constexpr TestInterface kInterfaces[kTestInterfaces] = {TestInterface::TenWay, TestInterface::SixteenWay,
                                                        TestInterface::DualPolarity, TestInterface::Creditor340};

const char* const kTestFrames[] = {"frmTest", "frmPCAtest", "frm340test"};

QString n(const char* name) { return QString::fromLatin1(name); }

} // namespace

QString frameName(TestFrame f)
{
    switch (f) {
    case TestFrame::Test340: return QStringLiteral("frm340test");
    case TestFrame::Test330: return QStringLiteral("frmTest");
    case TestFrame::TestPCA: return QStringLiteral("frmPCAtest");
    }
    return QStringLiteral("frmTest");
}

bool sendsMask(TestInterface i) { return i != TestInterface::Creditor340; }

QString interfaceOption(TestInterface i)
{
    switch (i) {
    case TestInterface::TenWay: return QStringLiteral("opt10way");
    case TestInterface::SixteenWay: return QStringLiteral("opt16way");
    case TestInterface::DualPolarity: return QStringLiteral("optDualPolarity");
    case TestInterface::Creditor340: return QStringLiteral("opt340test");
    }
    return QStringLiteral("optDualPolarity");
}

std::optional<TestInterface> chosenInterface(const plat::View& v)
{
    for (TestInterface i : kInterfaces)
        if (v.value(interfaceOption(i)) != 0)
            return i;
    return std::nullopt;
}

void showTestLayout(plat::View& v, const std::optional<TestLayout>& layout)
{
    v.setVisible(QStringLiteral("chkBinary"), false);
    for (int k = 0; k < kTestRows; ++k) {
        const bool coin = layout ? layout->coinVisible[std::size_t(k)] : k < 6;
        v.setVisible(QStringLiteral("shpCoin"), coin, k);
        v.setVisible(QStringLiteral("lblCoin"), coin, k);
    }
    if (!layout)
        return;
    for (int k = 0; k < kTestRows; ++k)
        v.setVisible(QStringLiteral("chkInhibit"), layout->inhibitVisible[std::size_t(k)], k);
    v.setVisible(QStringLiteral("chkAllInhibit"), layout->allInhibitVisible);
    v.setVisible(QStringLiteral("chkBinary"), layout->binaryVisible);
}

TestLayout displayTestSettings(Model m, TestInterface i)
{
    TestLayout l;
    for (int k = 0; k < 6; ++k)
        l.coinVisible[k] = true; // Coin A..F; G and H have no line on these mechs
    switch (i) {
    case TestInterface::TenWay:
        l.allInhibitVisible = true;
        break;
    case TestInterface::SixteenWay:
        for (int k = 0; k < 6; ++k)
            l.inhibitVisible[k] = true;
        l.allInhibitVisible = true;
        break;
    case TestInterface::DualPolarity:
        for (int k = 0; k < 6; ++k)
            l.inhibitVisible[k] = true;
        l.binaryVisible = modelEntry(m).binaryTestMode;
        break;
    case TestInterface::Creditor340:
        l.coinVisible.fill(false);
        break;
    }
    return l;
}

TestEntry testEntry(Model m)
{
    const ModelEntry& me = modelEntry(m);
    TestEntry e;
    e.frame = me.testFrame;
    e.caption = QString::fromLatin1(me.testCaption);
    e.test340Active = me.testFrame == TestFrame::Test340;
    if (me.testFrame == TestFrame::TestPCA)
        e.directPowerLine = me.powerOnLine;
    // "340 Creditor" is never chosen here. A 126 has one interface: every option greyed, "Dual
    // Polarity" selected all the same.
    for (TestInterface i : {TestInterface::TenWay, TestInterface::SixteenWay, TestInterface::DualPolarity})
        e.optionEnabled[std::size_t(i)] = me.interfacesChoosable;
    e.upperRowsVisible = me.upperTestRows;
    return e;
}

// ---- Hopper test ----

qint32 hopperCountOf(const QString& text) { return plat::cLng(plat::val(text)); }

bool HopperRun::start(qint32 count)
{
    count_ = count > 0 ? count : 0;
    running_ = count_ > 0;
    return running_;
}

bool HopperRun::tick()
{
    if (!running_)
        return false;
    --count_;
    running_ = count_ > 0;
    return true;
}

void HopperRun::stop()
{
    count_ = 0;
    running_ = false;
}

// ---- 560 / PCA ----

MechPrepared prepareMech(Link& link)
{
    return {.reInitialise = link.reInitialiseMech(),
            .hiiEnable = link.hiiEnable(),
            .hiiEnableAll = link.hiiEnableAll(),
            .hiiAcceptAll = link.hiiAcceptAll()};
}

// ---- The frames' handlers ----

TestPanels::TestPanels(Link& link, plat::View& view, TestPanelState& state, plat::Timer& timer3,
                       plat::JobGuard& guard, const plat::Services& services)
    : link_(link), view_(view), st_(state), timer3_(timer3), guard_(guard), svc_(services)
{
}

Model TestPanels::model() const { return currentModel(view_); }

void TestPanels::sendOutputMask() { link_.sendOutputMask(outputMask(view_)); }

void TestPanels::setQuietly(const QString& control, int value, int index)
{
    st_.settingControls = true;
    const auto done = qScopeGuard([this] { st_.settingControls = false; });
    view().setValue(control, value, index);
}

void TestPanels::step(const std::function<void()>& fn)
{
    // Each step of an entry reports its own failure and the entry goes on with the next, so the
    // frame still opens with the mech powered and the main buttons off.
    plat::trap(fn, [this](const std::exception& e) { link_.showError(kLaunchContext, e); });
}

MechPrepared TestPanels::cmdTest_Click()
{
    MechPrepared prepared;
    Model m = kDesignModel;
    step([&] {
        st_.test340Active = false;
        m = model();
    });
    switch (testEntry(m).frame) {
    case TestFrame::Test340:
        step([&] {
            enableMainButtons(view(), false);
            link_.mechPower(true);
            st_.test340Active = true;
            link_.boxCmdDollar();
        });
        step([&] { enterFrame(TestFrame::Test340); });
        break;
    case TestFrame::Test330: enter330(); break;
    case TestFrame::TestPCA: prepared = enterPca(m); break;
    }
    return prepared;
}

void TestPanels::enterFrame(TestFrame f)
{
    plat::View& v = view();
    for (const char* frame : kTestFrames)
        if (n(frame) != frameName(f))
            v.setVisible(n(frame), false);
    v.setVisible(frameName(f), true);
    for (const char* other : {"frmMain1", "frmAdjust", "frmProgramme"})
        v.setVisible(n(other), false);
}

void TestPanels::enter330()
{
    plat::View& v = view();
    const Model m = model();
    const TestEntry e = testEntry(m);
    step([&] {
        enableMainButtons(view(), false);
        link_.mechPower(true);
    });
    step([&] {
        v.setVisible(QStringLiteral("lblTestCount"), false, 6);
        v.setVisible(QStringLiteral("lblTestCount"), false, 7);
    });
    step([&] {
        for (TestInterface i : kInterfaces)
            v.setEnabled(interfaceOption(i), e.optionEnabled[std::size_t(i)]);
        v.setVisible(QStringLiteral("chkBinary"), modelEntry(m).binaryTestMode);
        // Ticked for a 126, the hidden box would drop the mask's bit of every other model.
        if (!modelEntry(m).binaryTestMode)
            setQuietly(QStringLiteral("chkBinary"), 0);
        // Every entry lays the frame out and sends the mask for "Dual Polarity", also when the
        // option is still set from the last test and selecting it changes nothing.
        setQuietly(interfaceOption(kEntryInterface), 1);
        interfaceClick(kEntryInterface);
    });
    step([&] {
        v.setVisible(QStringLiteral("cmdStartHopper"), false);
        v.setVisible(QStringLiteral("txtHopperCount"), false);
        stopHopper();
        setQuietly(QStringLiteral("chkHopper2"), 0);
    });
    step([&] { enterFrame(TestFrame::Test330); });
    step([&] {
        sendOutputMask();
        link_.boxCmdDollar();
        sendOutputMask();
    });
}

MechPrepared TestPanels::enterPca(Model m)
{
    plat::View& v = view();
    const TestEntry e = testEntry(m);
    MechPrepared prepared;
    step([&] {
        v.setText(QStringLiteral("frmPCAtest"), e.caption);
        v.setText(QStringLiteral("lblRejectedReason"), QString());
        enableMainButtons(view(), false);
        for (int i = 0; i < kPcaRows; ++i) {
            if (i >= 12) {
                v.setVisible(QStringLiteral("lblAccCoin"), e.upperRowsVisible, i);
                v.setVisible(QStringLiteral("shpLamp"), e.upperRowsVisible, i);
                v.setVisible(QStringLiteral("lblAccCount"), e.upperRowsVisible, i);
            }
            v.setVisible(QStringLiteral("lblRouted"), e.routeLabelsVisible, i);
        }
    });
    step([&] {
        link_.sendData(e.directPowerLine);
        boxAmpTwice();
    });
    step([&] { prepared = prepareMech(link_); });
    step([&] { enterFrame(TestFrame::TestPCA); });
    return prepared;
}

// ---- Running the frames' clicks ----

void TestPanels::frameHandler(const QString& context, const std::function<void()>& fn)
{
    // While test mode is being left, or is about to be, the frame's other clicks are moot.
    if (st_.settingControls || st_.leaving || st_.leavePending)
        return;
    if (st_.handlersRunning > 0) {
        // Inside another handler's wait: runs there, sharing its countdown.
        ++st_.handlersRunning;
        const auto done = qScopeGuard([this] { --st_.handlersRunning; });
        fn();
        return;
    }
    const auto outermost = [&] {
        {
            ++st_.handlersRunning;
            const auto done = qScopeGuard([this] { --st_.handlersRunning; });
            guard_.handle(context, fn);
        }
        leaveIfPending();
    };
    if (guard_.jobRunning())
        outermost(); // a job runs already: the click is part of it, never refused
    else
        guard_.runJob(context, outermost);
}

void TestPanels::leaveHandler(const QString& context)
{
    if (st_.settingControls || st_.leaving || st_.leavePending)
        return;
    if (st_.handlersRunning > 0) {
        st_.leavePending = true;
        st_.leaveContext = context;
        return;
    }
    frameHandler(context, [this] { leaveTestMode(); });
}

void TestPanels::leaveIfPending()
{
    if (!st_.leavePending)
        return;
    st_.leavePending = false;
    guard_.handle(st_.leaveContext, [this] { leaveTestMode(); });
}

// ---- frmTest ----

void TestPanels::displayTestSettings()
{
    plat::trap(
        [&] {
            const std::optional<TestInterface> i = chosenInterface(view());
            std::optional<TestLayout> layout;
            if (i)
                layout = ardwell::displayTestSettings(model(), *i);
            showTestLayout(view(), layout);
        },
        [this](const std::exception& e) { link_.showError(kDisplayContext, e); });
}

void TestPanels::interfaceClick(TestInterface i)
{
    displayTestSettings();
    if (sendsMask(i))
        sendOutputMask();
}

void TestPanels::chkInhibit_Click(int index)
{
    Q_UNUSED(index); // the mask is built from every box
    sendOutputMask();
}

void TestPanels::chkAllInhibit_Click() { sendOutputMask(); }

void TestPanels::chkBinary_Click()
{
    sendOutputMask();
    if (view().value(QStringLiteral("chkBinary")) == 1)
        link_.boxCmdQuery();
    else
        link_.boxCmdDollar();
    sendOutputMask();
}

void TestPanels::startTimer3()
{
    timer3_.setEnabled(false);
    timer3_.setInterval(kHopperTickMs);
    timer3_.setEnabled(true);
}

void TestPanels::stopHopper()
{
    timer3_.setEnabled(false);
    st_.hopper.stop();
    view().setEnabled(QStringLiteral("cmdStartHopper"), true);
}

void TestPanels::chkHopper2_Click()
{
    const bool on = view().value(QStringLiteral("chkHopper2")) == 1;
    view().setVisible(QStringLiteral("cmdStartHopper"), on);
    view().setVisible(QStringLiteral("txtHopperCount"), on);
    if (on)
        startTimer3();
    else
        stopHopper();
}

void TestPanels::cmdStartHopper_Click()
{
    // Read first: a count that is no 32-bit number is reported and starts nothing.
    const qint32 count = hopperCountOf(view().text(QStringLiteral("txtHopperCount")));
    if (!st_.hopper.start(count)) {
        stopHopper(); // nothing to send: the test ends at once
        return;
    }
    view().setEnabled(QStringLiteral("cmdStartHopper"), false);
    startTimer3();
}

void TestPanels::Timer3_Timer()
{
    if (st_.hopper.tick())
        link_.hopperPulse(view().value(QStringLiteral("chkHopper2")) == 1);
    if (!st_.hopper.running())
        stopHopper();
}

void TestPanels::cmdClearCoinCount_Click()
{
    for (int k = 0; k < kTestRows; ++k)
        view().setText(QStringLiteral("lblTestCount"), QStringLiteral("0"), k);
}

// ---- frm340test ----

void TestPanels::cmdDispense_Click(int index)
{
    static const char* const kPlayers[] = {"01", "02", "04", "08"};
    const auto enableAll = [this](bool on) {
        for (int k = 0; k < 4; ++k)
            view().setEnabled(QStringLiteral("cmdDispense"), on, k);
    };
    enableAll(false);
    const auto done = qScopeGuard([&] { enableAll(true); });
    link_.sendData(QByteArray("[") + kPlayers[((index % 4) + 4) % 4] + '\r');
}

void TestPanels::cmdExtCredit_Click() { link_.sendData("[10\r"); }

void TestPanels::cmdClear340_Click()
{
    for (int k = 0; k < 4; ++k)
        view().setText(QStringLiteral("lblPlayerCount"), QStringLiteral("0"), k);
    view().setText(QStringLiteral("lblMeterCount"), QStringLiteral("0"));
}

// ---- frmPCAtest ----

void TestPanels::boxAmpTwice()
{
    link_.delayMs(100);
    link_.boxCmdAmp();
    link_.delayMs(100);
    link_.boxCmdAmp();
    svc_.sched->pump();
}

void TestPanels::cmdClearCounts_Click()
{
    boxAmpTwice();
    clearCountLabels(view());
}

// ---- Leaving ----

void TestPanels::leaveTestMode()
{
    st_.leaving = true;
    st_.leavePending = false;
    const auto done = qScopeGuard([this] { st_.leaving = false; });
    plat::View& v = view();
    stopHopper();
    for (const char* frame : kTestFrames)
        v.setVisible(n(frame), false);
    st_.test340Active = false;
    link_.boxCmdPercent();
    enableMainButtons(view(), true);
    link_.mechPower(false);
    v.setVisible(QStringLiteral("frmMain1"), true);
}

} // namespace ardwell
