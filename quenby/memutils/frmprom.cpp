#include "quenby/memutils/frmprom.h"

#include "quenby/clonewizard/clonewizard.h"
#include "quenby/program.h"
#include "quenby/shell/valtestlayout.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quenby {

namespace {

using plat::place;

// Positions in twips that the layout leaves to the window.
constexpr int kTopFrames = 120;
constexpr int kTopFrameHeight = 780;
constexpr int kLimitsTop = 1020;
constexpr int kLimitsHeight = 5880;
constexpr int kCellHeight = 315;
constexpr int kTitleWidth = 1200;
constexpr int kHeadingWidth = 1500;
constexpr int kFigureWidth = 900;
constexpr int kRowTitleLeft = 120;
constexpr int kRejHeadingTop = 3240;
constexpr int kButtonsTop = 7080;
constexpr int kButtonWidth = 2580;
constexpr int kButtonHeight = 480;
constexpr int kWindowHeight = 8400;

// Captions of the design: (text id, control, index).
struct Caption {
    int id;
    const char* control;
    int index;
};
constexpr Caption kCaptions[] = {
    {1250, "frmLimits", -1},       {1257, "lblAcc", -1},           {1266, "lblRej", -1},
    {1273, "cmdRestore", -1},      {1274, "cmdChangeLimits", -1},  {1275, "frmDisplay", -1},
    {1276, "frmPromSize", -1},     {1277, "Frame3", -1},           {1278, "frmPromType", -1},
    {1279, "optOmbrixPROM", -1},   {1280, "optBipolarPROM", -1},   {1281, "cmdProgPROM", -1},
    {1282, "cmdValtest", -1},      {1283, "cmdPROMutilities", -1}, {1284, "cmdBack1", -1},
};

} // namespace

frmPROM::frmPROM(Program& program) : p_(program)
{
    build();
    Form_Load();
}

void frmPROM::build()
{
    c_.add(this, QStringLiteral("frmPROM"));
    setWindowTitle(QStringLiteral("PROM Limits"));
    auto frame = [this](const char* name, int left, int width) {
        auto* g = c_.add(new QGroupBox(this), QString::fromLatin1(name));
        place(g, left, kTopFrames, width, kTopFrameHeight);
        return g;
    };
    QGroupBox* type = frame("Frame3", 240, 1800);
    place(c_.add(new QLabel(type), QStringLiteral("lblmechType")), 120, 360, 1560, 300);
    QGroupBox* display = frame("frmDisplay", 2160, 3600);
    for (int i = 0; i < kPages; ++i) {
        auto* o = c_.add(new QRadioButton(QString::number(i + 1), display), QStringLiteral("optSeg"), i);
        place(o, 120 + 840 * i, 360, 780, 300);
        optSeg.set(i, o);
        plat::onSet(p_.guard, o, [this, i] {
            // Turning the page's option on while the page is drawn is not a click.
            if (rendering_)
                return;
            // A page change applies the edits of the page shown; while a job runs (programming
            // has built its records already) it is refused, and the edits stay pending.
            if (p_.guard.jobRunning()) {
                render();
                return;
            }
            optSeg_Click(i);
        });
    }
    QGroupBox* size = frame("frmPromSize", 5880, 1200);
    place(c_.add(new QLabel(size), QStringLiteral("lblSize")), 120, 360, 900, 300);
    QGroupBox* promType = frame("frmPromType", 7200, 3300);
    auto* ombrix = c_.add(new QRadioButton(promType), QStringLiteral("optOmbrixPROM"));
    place(ombrix, 120, 360, 1560, 300);
    auto* bipolar = c_.add(new QRadioButton(promType), QStringLiteral("optBipolarPROM"));
    place(bipolar, 1740, 360, 1440, 300);
    bipolar->setChecked(true);
    plat::onSet(p_.guard, bipolar, [this] { p_.memory.bipolarProm = true; });
    plat::onSet(p_.guard, ombrix, [this] { p_.memory.bipolarProm = false; });

    auto* limits = c_.add(new QGroupBox(this), QStringLiteral("frmLimits"));
    auto label = [this, limits](const char* name, int index) {
        auto* l = c_.add(new QLabel(limits), QString::fromLatin1(name), index);
        l->hide();
        return l;
    };
    for (int k = 0; k < 6; ++k)
        lblPtitle.set(k, label("lblPtitle", k));
    for (int k = 0; k < kGridCells; ++k) {
        auto* e = c_.add(new QLineEdit(limits), QStringLiteral("txtProm"), k);
        e->hide();
        txtProm.set(k, e);
        QObject::connect(e, &QLineEdit::textChanged, this, [this, k] {
            if (!rendering_)
                p_.guard.handle(QStringLiteral("frmPROM.txtProm_Change : "), [this, k] { txtProm_Change(k); });
        });
    }
    for (int k = 0; k < kSlugCells; ++k) {
        QLabel* l = label("lblSlugLimits", k);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        lblSlugLimits.set(k, l);
    }
    for (int r = 0; r < kCoinRows; ++r) {
        lblCoin.set(r, label("lblCoin", r));
        lblAcceptance.set(r, label("lblAcceptance", r));
    }
    for (int s = 0; s < kSlugRows; ++s) {
        lblRejection.set(s, label("lblRejection", s));
        Label10.set(s, label("Label10", s));
        Label10(s)->show();
    }
    label("lblAcc", -1)->show();
    label("lblRej", -1)->show();

    const std::pair<const char*, void (frmPROM::*)()> buttons[] = {
        {"cmdRestore", &frmPROM::cmdRestore_Click},   {"cmdChangeLimits", &frmPROM::cmdChangeLimits_Click},
        {"cmdProgPROM", &frmPROM::cmdProgPROM_Click}, {"cmdValtest", &frmPROM::cmdValtest_Click},
        {"cmdPROMutilities", &frmPROM::cmdPROMutilities_Click}, {"cmdBack1", &frmPROM::cmdBack1_Click},
    };
    for (int k = 0; k < 6; ++k) {
        const auto [name, fn] = buttons[k];
        auto* b = c_.add(new QPushButton(this), QString::fromLatin1(name));
        place(b, 480 + (k % 3) * 2640, kButtonsTop + (k / 3) * 600, kButtonWidth, kButtonHeight);
        // Each command may wait for the box or change the windows a job works on: one at a time.
        plat::onClick(p_.guard, b, plat::Job{[this, fn] { (this->*fn)(); }});
    }
    render(true);
}

void frmPROM::Form_Load()
{
    setCaptions();
    // The PROM type option owns the flag the burn reads.
    p_.memory.bipolarProm = c_.value(QStringLiteral("optBipolarPROM")) == 1;
}

void frmPROM::setCaptions()
{
    for (const Caption& c : kCaptions)
        c_.setText(QString::fromLatin1(c.control), p_.texts.getText(c.id), c.index);
    for (int k = 0; k < 6; ++k) {
        c_.setText(QStringLiteral("lblPtitle"), p_.texts.getText(1251 + k), k);
        c_.setText(QStringLiteral("Label10"), p_.texts.getText(1267 + k), k);
    }
    for (int r = 0; r < kCoinRows; ++r)
        c_.setText(QStringLiteral("lblCoin"), p_.texts.getText(1258 + r), r);
}

LimitsContext frmPROM::context()
{
    return {p_.memory.coins, p_.params, entry_.of(p_.job.mechFamily, p_.job.mechModel).limits, p_.texts, p_.errors,
            *p_.svc.dialogs,  p_.job.mechModel, p_.memory.promSize};
}

// ---- the page -----------------------------------------------------------------------------------

void frmPROM::clearColors()
{
    quenby::clearColors(page_, context());
    render();
}

void frmPROM::checkOverlaps(int firstCoin)
{
    quenby::checkOverlaps(page_, firstCoin, context());
    render();
}

void frmPROM::calcAcceptance(int firstCoin)
{
    quenby::calcAcceptance(page_, p_.limits, firstCoin, context());
    render();
}

void frmPROM::displayAcceptance(int firstCoin)
{
    quenby::displayAcceptance(page_, p_.limits, firstCoin, context());
    render();
}

void frmPROM::setupfrmPROM()
{
    quenby::setupfrmPROM(page_, p_.limits, context());
    render(true);
}

void frmPROM::optSeg_Click(int index) { selectSegment(index); }

void frmPROM::selectSegment(int page)
{
    quenby::selectSegment(page_, p_.limits, page, context(), [this] { return p_.clone().editor.changeLimits(); });
    render();
}

void frmPROM::txtProm_Change(int index)
{
    if (rendering_ || index < 0 || index >= kGridCells)
        return;
    page_.cellText[std::size_t(index)] = txtProm(index)->text();
    p_.limits.limitsEdited = true;
}

void frmPROM::selectBipolarProm()
{
    c_.setValue(QStringLiteral("optBipolarPROM"), 1);
    p_.memory.bipolarProm = true;
}

void frmPROM::enableValidatorTest()
{
    page_.validatorTestEnabled = true;
    c_.setEnabled(QStringLiteral("cmdValtest"), true);
}

void frmPROM::render(bool layout)
{
    struct Rendering {
        bool& on;
        explicit Rendering(bool& f) : on(f) { on = true; }
        ~Rendering() { on = false; }
    } scope(rendering_);
    showLimitsPage(c_, page_);
    if (layout)
        placeControls();
}

void frmPROM::placeControls()
{
    const LimitsPage& p = page_;
    resize(plat::twipsToPixels(std::max(p.windowWidth, 10710)), plat::twipsToPixels(kWindowHeight));
    place(c_.widget(QStringLiteral("frmLimits")), p.frameLeft, kLimitsTop, std::max(p.frameWidth, 9135), kLimitsHeight);
    for (int k = 0; k < 6; ++k)
        place(lblPtitle(k), p.paramTitleCentre[std::size_t(k)] - kTitleWidth / 2, 120, kTitleWidth, 300);
    for (int k = 0; k < kGridCells; ++k) {
        const Placement& c = p.cells[std::size_t(k)];
        if (c.visible)
            place(txtProm(k), c.left, c.top, c.width, kCellHeight);
    }
    for (int k = 0; k < kSlugCells; ++k) {
        const Placement& c = p.slugCells[std::size_t(k)];
        if (c.visible)
            place(lblSlugLimits(k), c.left, c.top, c.width, kCellHeight);
    }
    for (int r = 0; r < kCoinRows; ++r) {
        const Placement& a = p.acceptanceLabels[std::size_t(r)];
        place(lblAcceptance(r), a.left, a.top, kFigureWidth, kCellHeight);
        place(lblCoin(r), kRowTitleLeft, p.coinTitleTop[std::size_t(r)], kFigureWidth, kCellHeight);
    }
    for (int s = 0; s < kSlugRows; ++s) {
        const Placement& a = p.rejectionLabels[std::size_t(s)];
        place(lblRejection(s), a.left, a.top, kFigureWidth, kCellHeight);
        place(Label10(s), kRowTitleLeft, 3630 + 360 * s, kFigureWidth, kCellHeight);
    }
    const int headingLeft = p.accColumn + 367 - kHeadingWidth / 2;
    place(c_.widget(QStringLiteral("lblAcc")), headingLeft, 120, kHeadingWidth, 300);
    place(c_.widget(QStringLiteral("lblRej")), headingLeft, kRejHeadingTop, kHeadingWidth, 300);
}

// ---- the command buttons --------------------------------------------------------------------------

void frmPROM::cmdRestore_Click() { p_.clone().editor.cmdRestore_Click(); }
void frmPROM::cmdChangeLimits_Click() { p_.clone().editor.cmdChangeLimits_Click(); }
void frmPROM::cmdProgPROM_Click() { p_.clone().editor.cmdProgPROM_Click(); }
void frmPROM::cmdValtest_Click() { p_.clone().editor.cmdValtest_Click(); }
void frmPROM::cmdPROMutilities_Click() { p_.clone().editor.cmdPROMutilities_Click(); }
void frmPROM::cmdBack1_Click() { p_.clone().editor.cmdBack1_Click(); }

void frmPROM::closeEvent(QCloseEvent* e)
{
    // The close box goes back to the coin measurement window, as Back does.
    e->ignore();
    p_.guard.handleJob(QStringLiteral("frmPROM.cmdBack1_Click : "), [this] { cmdBack1_Click(); });
}

} // namespace quenby
