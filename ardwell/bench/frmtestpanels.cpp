// The three test frames (330/126, 560/PCA, 340) and the wiring of their controls to the test
// panels' handlers. Every click runs behind the job guard's barrier with the context that names
// its control; leaving test mode waits for a click that is still waiting for the box.
#include "ardwell/bench/coinbench.h"
#include "ardwell/link/frmmain.h"
#include "ardwell/link/frmmaker.h"
#include "ardwell/program.h"
#include "platform/jobguard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ardwell {

using namespace frmui;

namespace {

// A test frame's control wired to the test panels under the context that names it: fn runs
// through their barrier; a control without fn leaves test mode. Option buttons and check boxes
// answer a value set from code too.
void onFrameClick(plat::JobGuard& guard, Program& p, QAbstractButton* c, std::function<void()> fn = {})
{
    const QString context = QStringLiteral("Error in %1_Click : ").arg(c->objectName());
    auto run = [&p, context, fn = std::move(fn)] {
        if (fn)
            p.coinBench().tests().frameHandler(context, fn);
        else
            p.coinBench().tests().leaveHandler(context);
    };
    if (auto* o = qobject_cast<QRadioButton*>(c))
        plat::onSet(guard, o, std::move(run), context);
    else if (auto* box = qobject_cast<QCheckBox*>(c))
        plat::onSet(guard, box, std::move(run), context);
    else
        plat::onClick(guard, c, std::move(run), context);
}

} // namespace

TestPanels& frmMain::testPanels() { return p_.coinBench().tests(); }

void frmMain::buildTestFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmTest"), QStringLiteral("Test Coin Mech"));
    auto* row = new QHBoxLayout(f);
    // The coin rows on the left, one below the other, "Coin A" at the top.
    auto* g = new QGridLayout;
    for (int i = 0; i < kTestRows; ++i) {
        g->addWidget(m.label(f, QStringLiteral("lblCoin"), QStringLiteral("Coin ") + QChar('A' + i), i), i, 0);
        g->addWidget(m.lamp(f, QStringLiteral("shpCoin"), i), i, 1);
        g->addWidget(m.label(f, QStringLiteral("lblTestCount"), QStringLiteral("0"), i, kCounterWidth), i, 2);
        g->addWidget(m.check(f, QStringLiteral("chkInhibit"), QStringLiteral("Inhibit %1").arg(i + 1), i), i, 3);
    }
    auto* all = m.check(f, QStringLiteral("chkAllInhibit"), QStringLiteral("ALL Inhibit"));
    auto* binary = m.check(f, QStringLiteral("chkBinary"), QStringLiteral("Binary Mode"));
    g->addWidget(all, kTestRows, 3);
    g->addWidget(binary, kTestRows + 1, 3);
    g->setRowStretch(kTestRows + 2, 1);
    row->addLayout(g, 1);

    // On the right: the interface options, a group of their own apart from the model options,
    // the hopper test (a count, and a pulse every 2 s once started) and the frame's buttons.
    auto* side = new QVBoxLayout;
    auto* itf = m.frame(f, QStringLiteral("Frame2"), QStringLiteral("Interface"));
    auto* l = new QVBoxLayout(itf);
    const std::pair<TestInterface, const char*> options[] = {{TestInterface::TenWay, "10 way Ribbon"},
                                                             {TestInterface::SixteenWay, "16 way Ribbon"},
                                                             {TestInterface::DualPolarity, "Dual Polarity"},
                                                             {TestInterface::Creditor340, "340 Creditor"}};
    for (const auto& [i, text] : options) {
        const QString name = interfaceOption(i);
        auto* o = m.option(itf, name, QString::fromLatin1(text));
        l->addWidget(o);
        onFrameClick(guard_, p_, o, [this, i = i] { testPanels().interfaceClick(i); });
    }
    side->addWidget(itf);
    auto* drive = m.check(f, QStringLiteral("chkHopper2"), QStringLiteral("Hopper Drive"));
    auto* count = m.edit(f, QStringLiteral("txtHopperCount"));
    count->setMaximumWidth(80);
    auto* start = m.button(f, QStringLiteral("cmdStartHopper"), QStringLiteral("Start Hopper"));
    auto* clear = m.button(f, QStringLiteral("cmdClearCoinCount"), QStringLiteral("Clear Coin Counts"));
    auto* finish = m.button(f, QStringLiteral("cmdFinishTest"), QStringLiteral("End Testing"), 0);
    for (QWidget* w : std::initializer_list<QWidget*>{drive, count, start, clear, finish})
        side->addWidget(w);
    side->addStretch(1);
    row->addLayout(side);
    count->hide();
    start->hide();

    const plat::ControlArray<QCheckBox> inhibits = controls_.array<QCheckBox>(QStringLiteral("chkInhibit"));
    for (int i : inhibits.indexes())
        onFrameClick(guard_, p_, inhibits[i], [this, i] { testPanels().chkInhibit_Click(i); });
    onFrameClick(guard_, p_, all, [this] { testPanels().chkAllInhibit_Click(); });
    onFrameClick(guard_, p_, binary, [this] { testPanels().chkBinary_Click(); });
    onFrameClick(guard_, p_, drive, [this] { testPanels().chkHopper2_Click(); });
    onFrameClick(guard_, p_, start, [this] { testPanels().cmdStartHopper_Click(); });
    onFrameClick(guard_, p_, clear, [this] { testPanels().cmdClearCoinCount_Click(); });
    onFrameClick(guard_, p_, finish);
    top->addWidget(f);
}

void frmMain::buildPcaTestFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmPCAtest"), QStringLiteral("560 Test"));
    auto* g = new QGridLayout(f);
    for (int i = 0; i < kPcaRows; ++i) {
        const int r = i % 8, c = (i / 8) * 4;
        g->addWidget(m.label(f, QStringLiteral("lblAccCoin"), QStringLiteral("Coin") + QString::number(i + 1), i), r, c);
        g->addWidget(m.lamp(f, QStringLiteral("shpLamp"), i), r, c + 1);
        g->addWidget(m.label(f, QStringLiteral("lblAccCount"), {}, i, kCounterWidth), r, c + 2);
        g->addWidget(m.label(f, QStringLiteral("lblRouted"), {}, i, kCounterWidth), r, c + 3);
    }
    g->addWidget(caption(f, QStringLiteral("Rejected")), 8, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpRejected")), 8, 1);
    g->addWidget(m.label(f, QStringLiteral("lblRejectCount"), {}, -1, kCounterWidth), 8, 2);
    g->addWidget(caption(f, QStringLiteral("Reject Reason")), 9, 0);
    g->addWidget(m.label(f, QStringLiteral("lblRejectedReason"), {}, -1, kLineWidth), 9, 1, 1, 7);

    auto* clear = m.button(f, QStringLiteral("cmdClearCounts"), QStringLiteral("Clear Counts"));
    auto* finish = m.button(f, QStringLiteral("cmdFinishTest"), QStringLiteral("End Testing"), 1);
    g->addWidget(clear, 10, 0, 1, 2);
    g->addWidget(finish, 10, 4, 1, 2);
    onFrameClick(guard_, p_, clear, [this] { testPanels().cmdClearCounts_Click(); });
    onFrameClick(guard_, p_, finish);
    top->addWidget(f);
}

void frmMain::build340TestFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frm340test"), QStringLiteral("340 Test Mode"));
    auto* g = new QGridLayout(f);
    for (int i = 0; i < 4; ++i) {
        g->addWidget(caption(f, QStringLiteral("Player ") + QString::number(i + 1)), i, 0);
        g->addWidget(m.lamp(f, QStringLiteral("shpPlayer"), i), i, 1);
        g->addWidget(m.label(f, QStringLiteral("lblPlayerCount"), QStringLiteral("0"), i, kCounterWidth), i, 2);
        g->addWidget(m.button(f, QStringLiteral("cmdDispense"), QStringLiteral("Dispense %1").arg(i + 1), i), i, 3);
    }
    g->addWidget(caption(f, QStringLiteral("Coin Meter")), 4, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpCoinMeter")), 4, 1);
    g->addWidget(m.label(f, QStringLiteral("lblMeterCount"), QStringLiteral("0"), -1, kCounterWidth), 4, 2);
    g->addWidget(caption(f, QStringLiteral("ELAMP")), 5, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpELAMP")), 5, 1);
    g->addWidget(caption(f, QStringLiteral("PLAMP")), 6, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpPLAMP")), 6, 1);

    auto* credit = m.button(f, QStringLiteral("cmdExtCredit"), QStringLiteral("External Credit"));
    auto* clear = m.button(f, QStringLiteral("cmdClear340"), QStringLiteral("Clear Counts"));
    auto* exit = m.button(f, QStringLiteral("cmdExit340"), QStringLiteral("Exit"));
    g->addWidget(credit, 4, 3);
    g->addWidget(clear, 5, 3);
    g->addWidget(exit, 6, 3);

    const plat::ControlArray<QPushButton> dispense = controls_.array<QPushButton>(QStringLiteral("cmdDispense"));
    for (int i : dispense.indexes())
        onFrameClick(guard_, p_, dispense[i], [this, i] { testPanels().cmdDispense_Click(i); });
    onFrameClick(guard_, p_, credit, [this] { testPanels().cmdExtCredit_Click(); });
    onFrameClick(guard_, p_, clear, [this] { testPanels().cmdClear340_Click(); });
    onFrameClick(guard_, p_, exit);
    top->addWidget(f);
}

} // namespace ardwell
