// The main window's controls: every one that the logic names is registered under that name, in
// the frame where it belongs, with its design caption and state. Labels keep their design size
// and clip a longer text, so no text (a line of noise from the box) can stretch the window.
#include "ardwell/link/frmmain.h"
#include "ardwell/link/frmmaker.h"
#include "ardwell/program.h"

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

void frmMain::buildControls()
{
    controls_.add(this, QStringLiteral("frmMain"));
    auto* top = new QVBoxLayout(this);
    // The panels show one at a time: the window takes the size of what is shown, growing for a
    // large panel and shrinking again when a smaller one replaces it.
    top->setSizeConstraint(QLayout::SetFixedSize);
    buildHead(top);
    buildSelection(top);
    buildProgrammeFrame(top);
    buildAdjustFrame(top);
    buildTestFrame(top);
    buildPcaTestFrame(top);
    build340TestFrame(top);
    buildFoot(top);

    // The job panels show one at a time, when a job opens them.
    for (const char* f : kJobPanels)
        v_.setVisible(QString::fromLatin1(f), false);
    // The serial number shows only while a mech job is open.
    v_.setVisible(QStringLiteral("lblSN"), false);
    v_.setVisible(QStringLiteral("lblSerNo"), false);

    setWindowTitle(windowCaption(kDesignModel));
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
        plat::onClick(guard_, prog, [this] { cmdProgramme_Click(); }, ctx::LaunchProgramme);
        plat::onClick(guard_, adj, [this] { cmdAdjust_Click(); }, ctx::Adjust);
        plat::onClick(guard_, test, [this] { cmdTest_Click(); }, ctx::LaunchTest);
        row->addWidget(f);
    }
    {
        auto* f = m.frame(this, QStringLiteral("frmConfig"), QStringLiteral("Configuration"));
        auto* g = new QGridLayout(f);
        int col = 0;
        for (const ModelEntry& e : models()) {
            const QString n = optionName(e.model);
            auto* o = m.option(f, n, modelText(e.model));
            g->addWidget(o, 0, col++);
            if (e.model == kDesignModel)
                o->setChecked(true); // set before its handler is wired
            plat::onSet(guard_, o, [this, m = e.model] { p_.mainForm().modelChosen(m); },
                        QStringLiteral("Error in %1_Click : ").arg(n));
        }

        g->addWidget(caption(f, QStringLiteral("COM Port")), 1, 0);
        auto* port = m.combo(f, QStringLiteral("cmbPort"));
        g->addWidget(port, 1, 1);
        // Also when the port is chosen from code: the handler tells the start-up's choice apart.
        connect(port, &QComboBox::currentIndexChanged, this,
                [this] { guard_.handle(ctx::PortCombo, [this] { cmbPort_Click(); }); });

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
    plat::onClick(guard_, exit, [this] { cmdExit_Click(); }, ctx::Exit);
    foot->addWidget(exit);
    top->addLayout(foot);
}

} // namespace ardwell
