#include "quenby/clonewizard/frmcoinmeasure1.h"

#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/wizardlists.h"
#include "quenby/program.h"
#include "quenby/shell/valtestlayout.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace quenby {

namespace {

using plat::place;

// Positions in twips that CoinInitialise leaves to the window.
constexpr int kRow = 300;
constexpr int kHeaderTop = 120;
constexpr int kMeasureTop = 1860;
constexpr int kMeasureHeight = 2700;
constexpr int kParameterWidth = 1560;
constexpr int kChoicesTop = 4740;
constexpr int kButtonsTop = 5820;
constexpr int kButtonWidth = 2160;
constexpr int kButtonHeight = 420;
constexpr int kWindowHeight = 6540;
constexpr int kWizardButtonLeft = 5400;
const QString kBackContext = QStringLiteral("frmCoinMeasure1.cmdBack_Click : ");

// The rows of a parameter's frame, top to bottom (the slug separation shares the source row).
constexpr int kMeasRow = 240;
constexpr int kMeanRow = 540;
constexpr int kSdRow = 840;
constexpr int kLowHighRow = 1140;
constexpr int kSourceRow = 1440;
constexpr int kOffsetRow = 1740;
constexpr int kLimitsRow = 2040;

} // namespace

frmCoinMeasure1::frmCoinMeasure1(Program& program) : p_(program) { build(); }

void frmCoinMeasure1::build()
{
    c_.add(this, QStringLiteral("frmCoinMeasure1"));
    buildHeader();
    buildMeasurements();
    buildWizards();
    buildChoices();
    resize(plat::twipsToPixels(8055 + 725), plat::twipsToPixels(kWindowHeight));
}

void frmCoinMeasure1::buildHeader()
{
    const char* values[] = {"lblCoinsetTitle", "lblRefCode", "lblVersion", "lblCoin", "lblDescription", "lblmechType"};
    const int left[] = {120, 3600, 5040, 120, 1560, 5040};
    const int width[] = {3360, 1320, 900, 1320, 3360, 1800};
    for (int i = 0; i < 6; ++i) {
        const int top = kHeaderTop + (i < 3 ? 0 : 600);
        place(c_.add(new QLabel(this), QStringLiteral("lblHead"), i), left[i], top, width[i], kRow);
        auto* value = c_.add(new QLabel(this), QString::fromLatin1(values[i]));
        value->setFrameShape(QFrame::Panel);
        value->setFrameShadow(QFrame::Sunken);
        place(value, left[i], top + kRow, width[i], kRow);
    }
    auto* maker = c_.add(new QLabel(this), QStringLiteral("lblMfg"));
    maker->setAlignment(Qt::AlignCenter);
    place(maker, 7080, kHeaderTop, 1440, 2 * kRow);
    place(c_.add(new QLabel(this), QStringLiteral("lblCoinNumber")), 120, kMeasureTop - kRow - 180, 2760, kRow);
    auto* number = c_.add(new QLabel(this), QStringLiteral("lblNumber"));
    number->setFrameShape(QFrame::Panel);
    number->setFrameShadow(QFrame::Sunken);
    place(number, 2880, kMeasureTop - kRow - 180, 900, kRow);
}

void frmCoinMeasure1::buildMeasurements()
{
    auto* frame = c_.add(new QGroupBox(this), QStringLiteral("frmMeasurements"));
    place(frame, 120, kMeasureTop, 8055, kMeasureHeight);
    const int rows[] = {kMeasRow, kMeanRow, kSdRow, kLowHighRow};
    for (int i = 0; i < 4; ++i)
        place(c_.add(new QLabel(frame), QStringLiteral("lblColumn"), i), 120, rows[i], 1400, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblSource")), 120, kSourceRow, 1400, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblOffset")), 120, kOffsetRow, 1400, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblPromLimits")), 120, kLimitsRow, 1400, kRow);
    for (int p = 0; p < 6; ++p) {
        auto* g = c_.add(new QGroupBox(frame), QStringLiteral("frmParameter"), p);
        place(g, 1560 + 1680 * p, 0, kParameterWidth, kMeasureHeight - 120);
        const int half = kParameterWidth / 2;
        place(c_.add(new QLabel(g), QStringLiteral("lblMeas"), p), 60, kMeasRow, kParameterWidth - 120, kRow);
        place(c_.add(new QLabel(g), QStringLiteral("lblMean"), p), 60, kMeanRow, kParameterWidth - 120, kRow);
        place(c_.add(new QLabel(g), QStringLiteral("lblSep"), p), 60, kSourceRow, kParameterWidth - 120, kRow);
        for (int k = 0; k < 2; ++k) {
            const int L = 2 * p + k;
            const int x = 60 + k * half;
            place(c_.add(new QLabel(g), QStringLiteral("lblSD"), L), x, kSdRow, half - 60, kRow);
            place(c_.add(new QLabel(g), QStringLiteral("lblLH"), L), x, kLowHighRow, half - 60, kRow);
            place(c_.add(new QLabel(g), QStringLiteral("lblSrc"), L), x, kSourceRow, half - 60, kRow);
            place(c_.add(new QLabel(g), QStringLiteral("lblAdjust"), L), x, kOffsetRow, half - 60, kRow);
            auto* limit = c_.add(new QLabel(g), QStringLiteral("lblLimits"), L);
            limit->setFrameShape(QFrame::Panel);
            place(limit, x, kLimitsRow, half - 60, kRow);
        }
    }
}

void frmCoinMeasure1::buildWizards()
{
    auto* frame = c_.add(new QGroupBox(this), QStringLiteral("frmWizards"));
    place(frame, 120, kMeasureTop, 8055, kMeasureHeight);
    frame->hide();
    place(c_.add(new QLabel(frame), QStringLiteral("lblWizardType")), 240, 360, 1680, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblWizardMechType")), 2040, 360, 1800, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblPROMseg")), 240, 960, 1680, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblChannel")), 240, 1440, 1680, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblInhibit")), 240, 1920, 1680, kRow);
    auto* segment = c_.add(new QComboBox(frame), QStringLiteral("cmbSegment"));
    place(segment, 2040, 960, 1440, kRow);
    auto* coin = c_.add(new QComboBox(frame), QStringLiteral("cmbCoin"));
    place(coin, 2040, 1440, 1440, kRow);
    place(c_.add(new QComboBox(frame), QStringLiteral("cmbOutput")), 2040, 1440, 1440, kRow);
    place(c_.add(new QComboBox(frame), QStringLiteral("cmbInhibit")), 2040, 1920, 1440, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblValue1")), 240, 2400, 1680, kRow);
    place(c_.add(new QLineEdit(frame), QStringLiteral("txtValue1")), 2040, 2400, 900, kRow);
    place(c_.add(new QLabel(frame), QStringLiteral("lblWizardChoice")), kWizardButtonLeft, 240, 2520, kRow);
    CloneWizard& w = p_.clone();
    const std::pair<const char*, void (Wizards::*)()> buttons[] = {
        {"cmdAddCoin", &Wizards::cmdAddCoin_Click},
        {"cmdEdit", &Wizards::cmdEdit_Click},
        {"cmdSlugFix", &Wizards::cmdSlugFix_Click},
        {"cmdCancelWizards", &Wizards::cmdCancelWizards_Click},
    };
    int top = 600;
    for (const auto& [name, fn] : buttons) {
        auto* b = c_.add(new QPushButton(frame), QString::fromLatin1(name));
        place(b, kWizardButtonLeft, top, 2400, kButtonHeight);
        top += 480;
        plat::onClick(p_.guard, b, plat::Job{[&w, fn = fn] { (w.wizards.*fn)(); }});
    }
    plat::onClick(p_.guard, segment, [&w] { w.wizards.cmbSegment_Click(); });
    plat::onClick(p_.guard, coin, [&w] { w.wizards.cmbCoin_Click(); });
}

void frmCoinMeasure1::buildChoices()
{
    CloneWizard& w = p_.clone();
    auto* log = c_.add(new QCheckBox(this), QStringLiteral("chkLog"));
    place(log, 120, kChoicesTop, 1800, kRow);
    auto* duplicate = c_.add(new QCheckBox(this), QStringLiteral("chkduplicate"));
    place(duplicate, 120, kChoicesTop + 420, 2400, kRow);
    duplicate->hide();

    auto* size = c_.add(new QGroupBox(this), QStringLiteral("frmPromSize"));
    place(size, 2640, kChoicesTop - 120, 1560, 900);
    auto* oneK = c_.add(new QRadioButton(QStringLiteral("1K"), size), QStringLiteral("opt1K"));
    place(oneK, 120, 300, 600, kRow);
    auto* twoK = c_.add(new QRadioButton(QStringLiteral("2K"), size), QStringLiteral("Opt2K"));
    place(twoK, 780, 300, 600, kRow);
    oneK->setChecked(true);
    plat::onClick(p_.guard, oneK, [&w] { w.wizards.opt1K_Click(); });
    plat::onClick(p_.guard, twoK, [&w] { w.wizards.Opt2K_Click(); });

    auto* segments = c_.add(new QGroupBox(this), QStringLiteral("frmPROMSegments"));
    place(segments, 4320, kChoicesTop - 120, 2520, 900);
    for (int s = 0; s < 4; ++s) {
        auto* box = c_.add(new QCheckBox(QString::number(s + 1), segments), QStringLiteral("chkSeg"), s);
        place(box, 120 + 600 * s, 300, 540, kRow);
        plat::onClick(p_.guard, box, [&w, box, s] {
            // A greyed box a user clicks becomes a plain one.
            box->setTristate(false);
            w.wizards.chkSeg_Click(s);
        });
    }

    const std::pair<const char*, int> buttons[] = {{"cmdOpenCoinset", 0}, {"cmdSpecialUtilities", 1}, {"cmdBack", 2}};
    for (const auto& [name, k] : buttons)
        place(c_.add(new QPushButton(this), QString::fromLatin1(name)), 120 + 2640 * k, kButtonsTop, kButtonWidth,
              kButtonHeight);
    plat::onClick(p_.guard, c_.get<QPushButton>(QStringLiteral("cmdOpenCoinset")),
                  plat::Job{[&w] { w.run.cmdOpenCoinset_Click(); }});
    plat::onClick(p_.guard, c_.get<QPushButton>(QStringLiteral("cmdSpecialUtilities")),
                  plat::Job{[&w] { w.wizards.cmdSpecialUtilities_Click(); }});
    plat::onClick(p_.guard, c_.get<QPushButton>(QStringLiteral("cmdBack")), [this] { backOrCancel(); });
}

void frmCoinMeasure1::backOrCancel()
{
    CloneWizard& w = p_.clone();
    // Cancel Operation answers while the run it stops waits; Back is a job of its own.
    if (p_.coinStats().runActive)
        w.frame.cmdBack_Click();
    else
        p_.guard.runJob(kBackContext, [&w] { w.frame.cmdBack_Click(); });
}

void frmCoinMeasure1::closeEvent(QCloseEvent* e)
{
    // The close box does what the Back / Cancel Operation button does, while that is enabled.
    e->ignore();
    if (c_.isEnabled(QStringLiteral("cmdBack")))
        p_.guard.handle(kBackContext, [this] { backOrCancel(); });
}

void frmCoinMeasure1::layOut(const MeasureLayout& layout)
{
    place(c_.widget(QStringLiteral("frmMeasurements")), 120, kMeasureTop, layout.measurementsWidth, kMeasureHeight);
    place(c_.widget(QStringLiteral("frmWizards")), 120, kMeasureTop, std::max(layout.measurementsWidth, 8055),
          kMeasureHeight);
    const int width = layout.measurementsWidth == 8055 ? 2160 : kParameterWidth;
    for (int p = 0; p < 6; ++p)
        place(c_.widget(QStringLiteral("frmParameter"), p), layout.parameterLeft[std::size_t(p)], 0, width,
              kMeasureHeight - 120);
    resize(plat::twipsToPixels(std::max(layout.windowWidth, 8055 + 725)), plat::twipsToPixels(kWindowHeight));
}

void frmCoinMeasure1::layOutWizardPanel(const WizardPanel& panel)
{
    place(c_.widget(QStringLiteral("cmbCoin")), 2040, panel.coinListTop, 1440, kRow);
    // The value box goes under its caption: beside it, it would cover the caption's end ("Coin
    // Valu"), and further right it would run into the wizard buttons.
    place(c_.widget(QStringLiteral("lblValue1")), 3600, panel.valueLabelTop, 1320, kRow);
    place(c_.widget(QStringLiteral("txtValue1")), 3600, panel.valueLabelTop + kRow + 60, 720, kRow);
}

void frmCoinMeasure1::centre()
{
    const QScreen* s = screen();
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, width(), height());
    move(centredIn(area, width(), height()).topLeft());
}

} // namespace quenby
