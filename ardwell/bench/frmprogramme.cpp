// The programme panel's frame: channel and coin count, the learning options, the 340's coin value,
// the row of coin lamps and the panel's buttons. The handlers are the programme panel's.
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

namespace {

// An option frame of its own, so its buttons are a group apart from every other.
QGroupBox* optionFrame(Maker& m, QWidget* parent, const QString& name, const QString& caption,
                       std::initializer_list<std::pair<const char*, const char*>> options)
{
    auto* f = m.frame(parent, name, caption);
    auto* l = new QVBoxLayout(f);
    for (const auto& [option, text] : options)
        l->addWidget(m.option(f, QString::fromLatin1(option), QString::fromLatin1(text)));
    return f;
}

} // namespace

void frmMain::buildProgrammeFrame(QBoxLayout* top)
{
    Maker m{controls_};
    auto* f = m.frame(this, QStringLiteral("frmProgramme"), QStringLiteral("Programme Coin"));
    auto* l = new QVBoxLayout(f);

    auto* row = new QHBoxLayout;
    row->addWidget(caption(f, QStringLiteral("Coin Channel")));
    auto* channel = m.combo(f, QStringLiteral("cmbCoinNumber"));
    row->addWidget(channel);
    row->addWidget(caption(f, QStringLiteral("Number of Coins")));
    // Editable: the user may type a count of their own.
    auto* count = m.combo(f, QStringLiteral("cmbCoinCount"), true);
    count->addItems({"10", "15", "20", "25"});
    row->addWidget(count);
    row->addWidget(m.label(f, QStringLiteral("lblCoinCount"), {}, -1, kShortTextWidth));
    row->addStretch(1);
    l->addLayout(row);

    row = new QHBoxLayout;
    row->addWidget(optionFrame(m, f, QStringLiteral("frmOld"), QStringLiteral("Discrim Module Type"),
                               {{"optNormal", "1"}, {"optOld", "2"}, {"optOld2", "3"}, {"optOld3", "4"}}));
    row->addWidget(optionFrame(m, f, QStringLiteral("FrmPerformance"), QStringLiteral("Performance"),
                               {{"optWindow1", "Standard"}, {"optWindow2", "Tight"}, {"optwindow3", "Very Tight"}}));
    row->addWidget(optionFrame(m, f, QStringLiteral("FrmCoinType"), QStringLiteral("Coin Type"),
                               {{"optStandard", "Standard"},
                                {"OptbiMetallic", "Bi-Metallic/Plated"},
                                {"optBimetallic2", "Bi-Metallic/Plated 2"}}));
    row->addStretch(1);
    l->addLayout(row);
    // No type is given at design time; "1" is the module of every model but the oldest.
    controls_.get<QRadioButton>(QStringLiteral("optNormal"))->setChecked(true);

    row = new QHBoxLayout;
    row->addWidget(m.label(f, QStringLiteral("lblCV"), QStringLiteral("Coin Value")));
    auto* value = m.edit(f, QStringLiteral("txtCoinValueP"));
    value->setMaximumWidth(60);
    row->addWidget(value);
    row->addWidget(m.label(f, QStringLiteral("lblSF"), QStringLiteral("Scaling Factor")));
    row->addWidget(m.label(f, QStringLiteral("lblSFP"), {}, -1, kCounterWidth));
    row->addStretch(1);
    l->addLayout(row);

    // The lamps stand where the panel's layout puts them, in twips; the holder gives the frame
    // room at its left offset.
    auto* holder = new QWidget(f);
    holder->setObjectName(QStringLiteral("programmedHolder"));
    auto* lamps = m.frame(holder, QStringLiteral("frmProgrammed"), QStringLiteral("Programmed Channels"));
    for (int i = 0; i < 16; ++i) {
        const TwipsRect lr = coinLampLabelRect(i);
        auto* n = m.label(lamps, QStringLiteral("lblWind"), QString::number(i + 1), i);
        n->setAlignment(Qt::AlignCenter);
        n->setGeometry(twipsToPixels(lr.left), twipsToPixels(lr.top), twipsToPixels(lr.width), twipsToPixels(lr.height));
        const TwipsRect r = coinLampRect(i);
        auto* lamp = m.lamp(lamps, QStringLiteral("shpCoinWindow"), i, plat::Lamp::Shape::Rectangle);
        lamp->setGeometry(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width), twipsToPixels(r.height));
    }
    l->addWidget(holder);
    placeProgrammedFrame(programmeLayout(kDesignModel).frameLeft, programmeLayout(kDesignModel).frameWidth);

    row = new QHBoxLayout;
    row->addWidget(m.check(f, QStringLiteral("chkLogging"), QStringLiteral("Log Results")));
    // The programme panel's own hopper switch: it governs every hopper pulse.
    row->addWidget(m.check(f, QStringLiteral("chkHopper"), QStringLiteral("Hopper Drive")));
    row->addStretch(1);
    l->addLayout(row);

    auto* buttons = new QGridLayout;
    auto* start = m.button(f, QStringLiteral("cmdCoinData"), QStringLiteral("Start Coin Drop"));
    auto* cancel = m.button(f, QStringLiteral("cmdCancelOp"), QStringLiteral("CANCEL"));
    auto* write = m.button(f, QStringLiteral("cmdProg"), QStringLiteral("Write Data To Coin Mech"));
    auto* clearOne = m.button(f, QStringLiteral("cmdClearOne"), QStringLiteral("Clear One Channel"));
    auto* clearAll = m.button(f, QStringLiteral("cmdClearWindows"), QStringLiteral("Clear ALL Channels"));
    auto* fin = m.button(f, QStringLiteral("cmdExitProgramme"), QStringLiteral("Finish Programming"));
    buttons->addWidget(start, 0, 0);
    buttons->addWidget(cancel, 0, 1);
    buttons->addWidget(write, 0, 2);
    buttons->addWidget(clearOne, 1, 0);
    buttons->addWidget(clearAll, 1, 1);
    buttons->addWidget(fin, 1, 2);
    l->addLayout(buttons);
    cancel->hide();

    plat::onClick(guard_, start, plat::Job{[this] { p_.coinBench().programme().cmdCoinData_Click(); }}, ctx::CoinData);
    // CANCEL works while the run waits: it only sets the flag the waits look at.
    plat::onClick(guard_, cancel, [this] { p_.coinBench().programme().cmdCancelOp_Click(); }, ctx::CancelOp);
    plat::onClick(guard_, write, plat::Job{[this] { p_.jobs().cmdProg_Click(); }}, ctx::ProgButton);
    plat::onClick(guard_, fin, [this] { cmdExitProgramme_Click(); }, ctx::ExitProgramme);
    // The clearing buttons change the image: not while a job (a coin data run) works on it.
    plat::onClick(guard_, clearOne, plat::Job{[this] { p_.coinBench().programme().cmdClearOne_Click(); }},
                  ctx::ClearWindows);
    plat::onClick(guard_, clearAll, plat::Job{[this] { p_.coinBench().programme().cmdClearWindows_Click(); }},
                  ctx::ClearWindows);
    plat::onClick(guard_, channel, [this] { p_.coinBench().programme().cmbCoinNumber_Click(); }, ctx::CoinNumber);
    // Only the user's edits store a value: showing one changes nothing.
    connect(value, &QLineEdit::textEdited, this,
            [this] { guard_.handle(ctx::CoinValue, [this] { p_.coinBench().programme().txtCoinValueP_Change(); }); });

    top->addWidget(f);
}

void frmMain::placeProgrammedFrame(int leftTwips, int widthTwips)
{
    auto* lamps = controls_.get<QGroupBox>(QStringLiteral("frmProgrammed"));
    const int left = twipsToPixels(leftTwips), width = twipsToPixels(widthTwips);
    const TwipsRect lamp = coinLampRect(0);
    const int height = twipsToPixels(lamp.top + lamp.height) + 12;
    lamps->setGeometry(left, 0, width, height);
    lamps->parentWidget()->setMinimumSize(left + width, height);
}

} // namespace ardwell
