#include "ardwell/bench/testpanels.h"

#include "ardwell/link/link.h"
#include "platform/vbtext.h"

namespace ardwell {

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
        l.binaryVisible = m == Model::M126;
        break;
    case TestInterface::Creditor340:
        l.coinVisible.fill(false);
        break;
    }
    return l;
}

TestEntry testEntry(Model m)
{
    TestEntry e;
    switch (m) {
    case Model::M340:
        e.frame = TestFrame::Test340;
        e.caption = QStringLiteral("340 Test Mode");
        e.test340Active = true;
        break;
    case Model::M330:
    case Model::M126:
        e.frame = TestFrame::Test330;
        e.caption = QStringLiteral("Test Coin Mech");
        // A 126 has one interface: every option greyed, "Dual Polarity" selected all the same.
        if (m == Model::M330) {
            e.optionEnabled[int(TestInterface::TenWay)] = true;
            e.optionEnabled[int(TestInterface::SixteenWay)] = true;
            e.optionEnabled[int(TestInterface::DualPolarity)] = true;
        }
        break;
    case Model::M560:
    case Model::PCA:
        e.frame = TestFrame::TestPCA;
        e.caption = m == Model::PCA ? QStringLiteral("PCA Test") : QStringLiteral("560 Test");
        e.directPowerLine = m == Model::PCA ? QByteArray("W\r") : QByteArray("Z\r");
        e.upperRowsVisible = m == Model::PCA;
        break;
    }
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
    // Each command leaves its outcome in mechAcknowledged; cleared first so that a command that
    // fails before its first try is not credited with the previous one's answer.
    const auto answered = [&link](void (Link::*command)()) {
        link.state().mechAcknowledged = false;
        (link.*command)();
        return link.state().mechAcknowledged;
    };
    MechPrepared p;
    p.reInitialise = answered(&Link::reInitialiseMech);
    p.hiiEnable = answered(&Link::hiiEnable);
    p.hiiEnableAll = answered(&Link::hiiEnableAll);
    p.hiiAcceptAll = answered(&Link::hiiAcceptAll);
    return p;
}

} // namespace ardwell
