// The main window's controls: every one that the logic names is registered under that name, in
// the frame where it belongs, with its design caption and state. Labels keep their design size
// and clip a longer text, so no text (a line of noise from the box) can stretch the window.
#include "ardwell/link/frmmain.h"
#include "ardwell/link/frmmaker.h"

#include "platform/jobguard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ardwell {

using namespace frmui;

namespace {

const char* const kModelOptions[] = {"opt126", "opt330", "opt340", "opt560", "optPCA"};

} // namespace

std::function<void()> frmMain::handler(const QString& context, std::function<void()> fn)
{
    return [this, context, fn = std::move(fn)] { guard_.handle(context, fn); };
}

std::function<void()> frmMain::jobHandler(const QString& context, std::function<void()> fn)
{
    return handler(context, [this, context, fn = std::move(fn)] { guard_.runJob(context, fn); });
}

void frmMain::buildControls()
{
    controls_.add(this, QStringLiteral("frmMain"));
    auto* top = new QVBoxLayout(this);
    buildHead(top);
    buildSelection(top);
    buildProgrammeFrame(top);
    buildAdjustFrame(top);
    buildTestFrame(top);
    buildPcaTestFrame(top);
    build340TestFrame(top);
    buildFoot(top);
    top->addStretch(1);

    // The job panels show one at a time, when a job opens them.
    for (const char* f : {"frmAdjust", "frmProgramme", "frmTest", "frmPCAtest", "frm340test"})
        v_.setVisible(QString::fromLatin1(f), false);
    // The serial number shows only while a mech job is open.
    v_.setVisible(QStringLiteral("lblSN"), false);
    v_.setVisible(QStringLiteral("lblSerNo"), false);

    setWindowTitle(windowCaption(windowTitle_, Model::M330));
}

void frmMain::buildHead(QBoxLayout* top)
{
    Maker m{controls_};
    // Versions and the box's debug line.
    auto* head = new QHBoxLayout;
    head->addWidget(m.label(this, QStringLiteral("lblSWversion"), {}, -1, kShortTextWidth));
    head->addWidget(m.label(this, QStringLiteral("lblHWversion"), {}, -1, kLineWidth), 1);
    head->addWidget(m.label(this, QStringLiteral("lbldebug"), {}, -1, kLineWidth));
    top->addLayout(head);
}

void frmMain::buildSelection(QBoxLayout* top)
{
    Maker m{controls_};
    auto* row = new QHBoxLayout;
    {
        auto* f = m.frame(this, QStringLiteral("frmMain1"), QStringLiteral("Main Selection"));
        auto* l = new QVBoxLayout(f);
        auto* prog = m.button(f, QStringLiteral("cmdProgramme"), QStringLiteral("Program Coin Mech"));
        auto* adj = m.button(f, QStringLiteral("cmdAdjust"), QStringLiteral("Adjust Settings"));
        auto* test = m.button(f, QStringLiteral("cmdTest"), QStringLiteral("Test Coin Mech"));
        l->addWidget(prog);
        l->addWidget(adj);
        l->addWidget(test);
        connect(prog, &QPushButton::clicked, this,
                handler(ctx::LaunchProgramme, [this] { cmdProgramme_Click(); }));
        connect(adj, &QPushButton::clicked, this,
                handler(ctx::Adjust, [this] { cmdAdjust_Click(); }));
        connect(test, &QPushButton::clicked, this,
                handler(ctx::LaunchTest, [this] { cmdTest_Click(); }));
        row->addWidget(f);
    }
    {
        auto* f = m.frame(this, QStringLiteral("frmConfig"), QStringLiteral("Configuration"));
        auto* g = new QGridLayout(f);
        int col = 0;
        for (const char* name : kModelOptions) {
            const QString n = QString::fromLatin1(name);
            g->addWidget(m.option(f, n, n.mid(3)), 0, col++);
        }
        controls_.get<QRadioButton>(QStringLiteral("opt330"))->setChecked(true);
        const std::pair<const char*, void (frmMain::*)()> clicks[] = {
            {"opt126", &frmMain::opt126_Click}, {"opt330", &frmMain::opt330_Click},
            {"opt340", &frmMain::opt340_Click}, {"opt560", &frmMain::opt560_Click},
            {"optPCA", &frmMain::optPCA_Click},
        };
        for (const auto& [name, fn] : clicks) {
            const QString n = QString::fromLatin1(name);
            plat::onClick(controls_.get<QRadioButton>(n),
                          handler(QStringLiteral("Error in %1_Click : ").arg(n), [this, fn = fn] { (this->*fn)(); }));
        }

        g->addWidget(caption(f, QStringLiteral("COM Port")), 1, 0);
        auto* port = m.combo(f, QStringLiteral("cmbPort"));
        g->addWidget(port, 1, 1);
        const auto portClick = handler(ctx::PortCombo, [this] { cmbPort_Click(); });
        connect(port, &QComboBox::currentIndexChanged, this, [portClick](int) { portClick(); });

        g->addWidget(caption(f, QStringLiteral("Source")), 2, 0);
        auto* src = m.edit(f, QStringLiteral("txtSource"), QStringLiteral("61"));
        g->addWidget(src, 2, 1);
        g->addWidget(caption(f, QStringLiteral("Destination")), 2, 2);
        auto* dst = m.edit(f, QStringLiteral("txtDestination"), QStringLiteral("FF"));
        g->addWidget(dst, 2, 3);
        for (auto* e : {src, dst})
            e->setMaxLength(2);

        // Memory range fields kept for the link's own use; not for the user.
        for (const char* name : {"txtStartAddress", "TxtEndAddress"})
            m.edit(f, QString::fromLatin1(name))->hide();
        row->addWidget(f);
    }
    top->addLayout(row);
}

void frmMain::buildTestFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmTest"), QStringLiteral("Test Coin Mech"));
    auto* g = new QGridLayout(f);
    for (int i = 0; i < 8; ++i) {
        g->addWidget(m.label(f, QStringLiteral("lblCoin"), QStringLiteral("Coin ") + QChar('A' + i), i), i, 0);
        g->addWidget(m.lamp(f, QStringLiteral("shpCoin"), i), i, 1);
        g->addWidget(m.label(f, QStringLiteral("lblTestCount"), QStringLiteral("0"), i, kCounterWidth), i, 2);
        g->addWidget(m.check(f, QStringLiteral("chkInhibit"), QStringLiteral("Inhibit %1").arg(i + 1), i), i, 3);
    }
    g->addWidget(m.check(f, QStringLiteral("chkAllInhibit"), QStringLiteral("ALL Inhibit")), 8, 3);
    g->addWidget(m.check(f, QStringLiteral("chkBinary"), QStringLiteral("Binary Mode")), 9, 3);

    // The interface options form a group of their own, apart from the model options.
    auto* itf = m.frame(f, QStringLiteral("Frame2"), QStringLiteral("Interface"));
    auto* l = new QVBoxLayout(itf);
    l->addWidget(m.option(itf, QStringLiteral("opt10way"), QStringLiteral("10 way Ribbon")));
    l->addWidget(m.option(itf, QStringLiteral("opt16way"), QStringLiteral("16 way Ribbon")));
    l->addWidget(m.option(itf, QStringLiteral("optDualPolarity"), QStringLiteral("Dual Polarity")));
    g->addWidget(itf, 0, 4, 4, 1);
    top->addWidget(f);
}

void frmMain::buildPcaTestFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmPCAtest"), QStringLiteral("560 Test"));
    auto* g = new QGridLayout(f);
    for (int i = 0; i < 16; ++i) {
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
    }
    g->addWidget(caption(f, QStringLiteral("Coin Meter")), 4, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpCoinMeter")), 4, 1);
    g->addWidget(m.label(f, QStringLiteral("lblMeterCount"), QStringLiteral("0"), -1, kCounterWidth), 4, 2);
    g->addWidget(caption(f, QStringLiteral("ELAMP")), 5, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpELAMP")), 5, 1);
    g->addWidget(caption(f, QStringLiteral("PLAMP")), 6, 0);
    g->addWidget(m.lamp(f, QStringLiteral("shpPLAMP")), 6, 1);
    top->addWidget(f);
}

void frmMain::buildFoot(QBoxLayout* top)
{
    Maker m{controls_};
    // Serial number, progress and EXIT.
    auto* foot = new QHBoxLayout;
    foot->addWidget(m.label(this, QStringLiteral("lblSN"), QStringLiteral("Coin Mech Serial No:")));
    foot->addWidget(m.label(this, QStringLiteral("lblSerNo"), {}, -1, 100));
    foot->addWidget(m.label(this, QStringLiteral("lblProgress"), {}, -1, 130));
    auto* bar = controls_.add(new QProgressBar(this), QStringLiteral("prgProg"));
    bar->setRange(0, 16); // a range runs in sixteen steps
    foot->addWidget(bar, 1);
    auto* exit = m.button(this, QStringLiteral("cmdExit"), QStringLiteral("EXIT"));
    connect(exit, &QPushButton::clicked, this,
            handler(ctx::Exit, [this] { cmdExit_Click(); }));
    foot->addWidget(exit);
    top->addLayout(foot);
}

} // namespace ardwell
