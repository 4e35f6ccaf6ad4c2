// The adjust panel's frame: the coin selector, one coin's settings, a 340's credit settings, the
// window width buttons, image files and the way out. The handlers are the adjust panel's.
#include "ardwell/bench/coinbench.h"
#include "ardwell/link/frmmain.h"
#include "ardwell/link/frmmaker.h"
#include "ardwell/program.h"
#include "platform/jobguard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ardwell {

using namespace frmui;

void frmMain::buildAdjustFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmAdjust"), QStringLiteral("Adjust Mech Settings"));
    auto* l = new QHBoxLayout(f);

    // The coin's own settings.
    auto* g = new QGridLayout;
    int r = 0;
    g->addWidget(caption(f, QStringLiteral("Coin Channel")), r, 0);
    auto* coin = m.combo(f, QStringLiteral("cmbChangeCoin"));
    g->addWidget(coin, r, 1);
    g->addWidget(m.check(f, QStringLiteral("chkEnable"), QStringLiteral("Enable Channel")), r, 2, 1, 2);
    ++r;
    g->addWidget(m.label(f, QStringLiteral("lblOutput"), QStringLiteral("Output Line")), r, 0);
    auto* output = m.combo(f, QStringLiteral("cmbOutput"), true);
    g->addWidget(output, r, 1);
    g->addWidget(m.label(f, QStringLiteral("lblBinary"), QStringLiteral("Hex Code"), -1, 120), r, 2);
    g->addWidget(m.edit(f, QStringLiteral("txtBinary")), r, 3);
    ++r;
    g->addWidget(m.label(f, QStringLiteral("lblinhline"), QStringLiteral("Inhibit Line"), -1, 120), r, 0);
    g->addWidget(m.combo(f, QStringLiteral("cmbInhibitLine")), r, 1);
    g->addWidget(m.label(f, QStringLiteral("lblRoute"), QStringLiteral("Memory Routing")), r, 2);
    auto* route = m.combo(f, QStringLiteral("cmbRoute"));
    g->addWidget(route, r, 3);
    ++r;
    g->addWidget(m.label(f, QStringLiteral("lblPlug"), QStringLiteral("Routing Header")), r, 0);
    g->addWidget(m.combo(f, QStringLiteral("cmbPlugDecode")), r, 1);
    g->addWidget(m.label(f, QStringLiteral("lblDefaultRoute"), QStringLiteral("Default Route")), r, 2);
    auto* defaultRoute = m.combo(f, QStringLiteral("cmbDefaultRoute"));
    g->addWidget(defaultRoute, r, 3);
    ++r;

    // A 340's credit settings.
    const std::pair<const char*, const char*> fields[] = {{"lblCoinValue", "Coin Value"},
                                                          {"lblCSF", "Scaling Factor"},
                                                          {"lblGP", "Game Price"},
                                                          {"lblCMV", "Coin Meter Value"},
                                                          {"lblExtCredit", "Ext Credit Value"}};
    const char* const boxes[] = {"txtCoinValue", "txtCSF", "txtgameprice", "txtCMV", "txtExtCredit"};
    for (size_t i = 0; i < std::size(fields); ++i) {
        g->addWidget(m.label(f, QString::fromLatin1(fields[i].first), QString::fromLatin1(fields[i].second)), r, 0);
        g->addWidget(m.edit(f, QString::fromLatin1(boxes[i])), r, 1);
        ++r;
    }
    // Bonus 1 level and its games, then bonus 2 level and its games.
    const std::pair<int, const char*> bonus[] = {{1, "Bonus 1 Level"}, {2, "Games"}, {0, "Bonus 2 Level"}, {3, "Games"}};
    for (size_t i = 0; i < std::size(bonus); ++i) {
        const int k = bonus[i].first;
        const int row = r + int(i) / 2, col = 2 * (int(i) % 2);
        g->addWidget(m.label(f, QStringLiteral("lblB"), QString::fromLatin1(bonus[i].second), k), row, col);
        g->addWidget(m.edit(f, QStringLiteral("txtB"), {}, k), row, col + 1);
    }
    r += 2;
    auto* players = new QWidget(f); // the player options are a group of their own
    auto* pl = new QHBoxLayout(players);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(m.option(players, QStringLiteral("opt1player"), QStringLiteral("1 Player")));
    pl->addWidget(m.option(players, QStringLiteral("opt4Player"), QStringLiteral("4 Player")));
    g->addWidget(players, r++, 0, 1, 2);
    const std::pair<const char*, const char*> checks[] = {{"chkCoinMeter", "Coin Meter"},
                                                          {"chkCreditInput", "Credit Input"},
                                                          {"chkManualDispense", "Manual Dispense"},
                                                          {"chkAlarm", "Alarm Enable"},
                                                          {"chkBonus", "Bonus"}};
    for (size_t i = 0; i < std::size(checks); ++i)
        g->addWidget(m.check(f, QString::fromLatin1(checks[i].first), QString::fromLatin1(checks[i].second)),
                     r + int(i) / 3, int(i) % 3);
    l->addLayout(g);

    // Window width, files and the way out.
    auto* side = new QVBoxLayout;
    auto* width = new QHBoxLayout;
    width->addWidget(caption(f, QStringLiteral("Window Width")));
    width->addWidget(m.label(f, QStringLiteral("lblWindow"), {}, -1, kShortTextWidth));
    side->addLayout(width);
    auto* loosen = m.button(f, QStringLiteral("cmdLoosen"), QStringLiteral("Loosen"));
    auto* tighten = m.button(f, QStringLiteral("CmdTighten"), QStringLiteral("Tighten"));
    auto* write = m.button(f, QStringLiteral("cmdExitAdjust"), QStringLiteral("Write to Mech"));
    auto* cancel = m.button(f, QStringLiteral("cmdCancelAdjust"), QStringLiteral("Cancel Changes"));
    auto* save = m.button(f, QStringLiteral("cmdSave"), QStringLiteral("Save to File"));
    auto* load = m.button(f, QStringLiteral("cmdLoad"), QStringLiteral("Load from File"));
    auto* copy = m.button(f, QStringLiteral("cmdCopyConfig"), QStringLiteral("Copy Configuration"));
    for (QPushButton* b : {loosen, tighten, save, load, copy, write, cancel})
        side->addWidget(b);
    side->addStretch(1);
    l->addLayout(side);

    // The lists' handlers run on the user's choice; the panel runs them itself when it sets a list.
    plat::onClick(guard_, coin, [this] { adjustPanel()->cmbChangeCoin_Click(); }, ctx::ChangeCoin);
    plat::onClick(guard_, output, [this] { adjustPanel()->cmbOutput_Click(); }, ctx::Output);
    plat::onClick(guard_, route, [this] { adjustPanel()->cmbRoute_Change(); }, ctx::Route);
    plat::onClick(guard_, defaultRoute, [this] { adjustPanel()->cmbDefaultRoute_Change(); }, ctx::DefaultRoute);
    plat::onClick(guard_, loosen, [this] { adjustPanel()->cmdLoosen_Click(); }, ctx::Loosen);
    plat::onClick(guard_, tighten, [this] { adjustPanel()->CmdTighten_Click(); }, ctx::Tighten);
    // Writing waits for the mech; files change the image: none of them while a job runs.
    plat::onClick(guard_, write, plat::Job{[this] { adjustPanel()->cmdExitAdjust_Click(); }}, ctx::ExitAdjust);
    plat::onClick(guard_, cancel, plat::Job{[this] { adjustPanel()->cmdCancelAdjust_Click(); }}, ctx::CancelAdjust);
    plat::onClick(guard_, save, plat::Job{[this] { adjustPanel()->cmdSave_Click(); }}, ctx::Save);
    plat::onClick(guard_, load, plat::Job{[this] { adjustPanel()->cmdLoad_Click(); }}, ctx::Load);
    plat::onClick(guard_, copy, plat::Job{[this] { adjustPanel()->cmdCopyConfig_Click(); }}, ctx::Load);

    top->addWidget(f);
}

AdjustPanel* frmMain::adjustPanel() { return &p_.coinBench().adjust(); }

} // namespace ardwell
