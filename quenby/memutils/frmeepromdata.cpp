#include "quenby/memutils/frmeepromdata.h"

#include "platform/gui/fonts.h"
#include "quenby/link/familytable.h"
#include "quenby/link/mechfamily.h"
#include "quenby/memutils/eepromviews.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/routing435.h"
#include "quenby/program.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quenby {

namespace {

namespace id {
constexpr int CloseError = 700;
constexpr int ReadError = textid::EeReadError;
constexpr int DisplayError = 707;
constexpr int LoadError = 721;
constexpr int SetupError = 725;
constexpr int DrawError = 736;
} // namespace id

// Captions of the design: (text id, control).
constexpr std::pair<int, const char*> kCaptions[] = {
    {750, "Label1"},      {751, "frm435"},      {752, "Label5"},      {753, "Label6"},       {754, "Label7"},
    {755, "Label8"},      {756, "Label9"},      {757, "Label10"},     {758, "frmRoute"},     {759, "optMemory"},
    {760, "optPlug"},     {761, "Label11"},     {762, "Label4"},      {763, "Label3"},       {764, "cmdReadPROM"},
    {765, "cmdSave"},     {766, "cmdRouting"},  {767, "cmdProgramme"}, {768, "cmdBye"},
};

constexpr int kPaneTop = 100;
constexpr int kPaneWidth = 880;
constexpr int kPaneHeight = 400;
constexpr int kButtonWidth = 200;
constexpr int kButtonsTop = kPaneTop + kPaneHeight + 20;
constexpr int kCoinColumn = 48;
constexpr int kGridLeft = 70;

// The coin strip is a ruler over the pane, longer than any pane: it is drawn centred on the
// pane, so it ends at the pane's edges with its word over the middle, and it asks for no more
// room than the pane has.
class CoinStrip : public QLabel {
public:
    explicit CoinStrip(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignHCenter | Qt::AlignVCenter); }
    QSize sizeHint() const override { return {std::min(QLabel::sizeHint().width(), width()), QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

frmEEPROMdata::frmEEPROMdata(Program& program) : DataWindow(program, QStringLiteral("frmEEPROMdata"))
{
    build();
    Form_Load();
}

void frmEEPROMdata::build()
{
    setWindowTitle(QStringLiteral("EEPROM Utilities"));
    setFixedSize(kPaneWidth + 30, kButtonsTop + 50);
    c_.add(this, QStringLiteral("frmEEPROMdata"));
    auto label = [this](QWidget* parent, const char* name, int x, int y, int w, int h) {
        auto* l = c_.add(new QLabel(parent), QString::fromLatin1(name));
        l->setGeometry(x, y, w, h);
        return l;
    };
    label(this, "Label4", 15, 12, 90, 24);
    label(this, "lblmechType", 110, 12, 120, 24);
    label(this, "Label3", 250, 12, 70, 24);
    addViewList(325);
    label(this, "Label1", 15, 48, kPaneWidth, 22);
    auto* strip = c_.add(new CoinStrip(this), QStringLiteral("Label2"));
    strip->setGeometry(15, 72, kPaneWidth, 22);
    strip->setFont(plat::fixedPitchFont());
    styleMemoryPane(label(this, "lblPROM", 15, kPaneTop, kPaneWidth, kPaneHeight));
    buildRoutingEditor();

    // Each waits for the box or works on what a job reads: one job at a time.
    const std::tuple<const char*, void (frmEEPROMdata::*)(), int> buttons[] = {
        {"cmdReadPROM", &frmEEPROMdata::cmdReadPROM_Click, 15},
        {"cmdSave", &frmEEPROMdata::cmdSave_Click, 235},
        {"cmdProgramme", &frmEEPROMdata::cmdProgramme_Click, 455},
        {"cmdRouting", &frmEEPROMdata::cmdRouting_Click, 455},
    };
    for (const auto& [name, handler, left] : buttons)
        addJobButton(name, [this, handler] { (this->*handler)(); })->setGeometry(left, kButtonsTop, kButtonWidth, 32);
    c_.setVisible(QStringLiteral("cmdRouting"), false);
    addCloseButton()->setGeometry(kPaneWidth + 15 - kButtonWidth, kButtonsTop, kButtonWidth, 32);
}

void frmEEPROMdata::buildRoutingEditor()
{
    frm435 = c_.add(new QGroupBox(this), QStringLiteral("frm435"));
    frm435->setGeometry(15, kPaneTop, kPaneWidth, kPaneHeight);
    frm435->hide();
    auto label = [this](const char* name, int index, int x, int y, int w) {
        auto* l = c_.add(new QLabel(frm435), QString::fromLatin1(name), index);
        l->setGeometry(x, y, w, 22);
        return l;
    };
    label("Label5", -1, 10, 30, 60);
    const char* rows[] = {"Label6", "Label7", "Label8", "Label9", "Label10"};
    for (int r = 0; r < 5; ++r)
        label(rows[r], -1, 10, 80 + 32 * r + (r == 4 ? 12 : 0), 60);
    for (int c = 0; c < 16; ++c) {
        const int x = kGridLeft + kCoinColumn * c;
        QLabel* number = label("lblCnum", c, x, 52, kCoinColumn - 6);
        number->setText(QString::number(c + 1));
        number->setAlignment(Qt::AlignCenter);
        for (int path = 0; path < 4; ++path) {
            auto* e = c_.add(new QLineEdit(frm435), QStringLiteral("txtSort"), 4 * c + path);
            e->setGeometry(x + 8, 78 + 32 * path, 26, 26);
            e->setAlignment(Qt::AlignCenter);
        }
        auto* code = c_.add(new QLineEdit(frm435), QStringLiteral("txtCode"), c);
        code->setGeometry(x, 78 + 32 * 4 + 12, kCoinColumn - 4, 26);
        code->setAlignment(Qt::AlignCenter);
    }
    auto* route = c_.add(new QGroupBox(frm435), QStringLiteral("frmRoute"));
    route->setGeometry(kGridLeft, 270, 260, 90);
    c_.add(new QRadioButton(route), QStringLiteral("optMemory"))->setGeometry(15, 25, 200, 24);
    c_.add(new QRadioButton(route), QStringLiteral("optPlug"))->setGeometry(15, 55, 200, 24);
    c_.add(new QLabel(frm435), QStringLiteral("Label11"))->setGeometry(kGridLeft + 300, 300, 170, 24);
    auto* plug = c_.add(new QLineEdit(frm435), QStringLiteral("txtPlugDefault"));
    plug->setGeometry(kGridLeft + 480, 298, 30, 26);
    plug->setAlignment(Qt::AlignCenter);
}

void frmEEPROMdata::Form_Load()
{
    p_.errors.trap(id::LoadError, [&] { hide(); });
    p_.errors.trap(id::LoadError, [&] { setCaptions(); });
}

void frmEEPROMdata::setCaptions()
{
    for (const auto& [textId, control] : kCaptions)
        c_.setText(QString::fromLatin1(control), p_.texts.getText(textId));
    c_.setText(QStringLiteral("Label2"), eepromCoinStrip(p_.texts));
}

void frmEEPROMdata::setup()
{
    p_.errors.trap(id::SetupError, [&] {
        model_ = p_.job.mechModel;
        c_.setText(QStringLiteral("lblmechType"), model_);
        c_.setVisible(QStringLiteral("lblmechType"), true);
        c_.setItems(QStringLiteral("cmbDisplay"), eepromViewList(p_.texts));
        c_.setValue(QStringLiteral("cmbDisplay"), int(EepromView::Hex));
    });
    displayEEPROM();
    p_.errors.trap(id::SetupError, [&] { c_.setEnabled(QStringLiteral("cmdProgramme"), true); });
}

void frmEEPROMdata::displayEEPROM()
{
    p_.errors.trap(id::DrawError, [&] {
        const MechEntry entry = mechEntry(Family::CC, model_);
        const MemoryImages& images = p_.memory.images;
        const Image& readImage = images.readImage;
        // How far the last read of this model reached: a read cut by a time-out or a lost port
        // leaves the rest of readImage 0, which is not what the mech holds.
        int wordsRead = 0;
        if (images.holdsWholeMemoryOf(model_))
            wordsRead = kImageTop + 1;
        else if (images.lastRead.model == model_)
            wordsRead = std::max(images.lastRead.stopAddress, 0);
        const EepromPane pane = eepromViewText(c_.value(QStringLiteral("cmbDisplay")),
                                               {entry, p_.params, readImage, p_.texts, wordsRead});
        showEepromPane(c_, pane);
        if (pane.routingEditor)
            showRouting435(c_, decodeRouting435(readImage));
        show();
    });
}

std::unique_ptr<MechFamily> frmEEPROMdata::family()
{
    p_.job.beginJob(Family::CC, model_);
    return p_.mech().forJob();
}

void frmEEPROMdata::cmbDisplay_Click() { p_.errors.trap(id::DisplayError, [&] { displayEEPROM(); }); }

void frmEEPROMdata::cmdReadPROM_Click()
{
    p_.errors.trap(id::ReadError, [&] { c_.setEnabled(QStringLiteral("cmdReadPROM"), false); });
    readEepromCommand(*family());
    displayEEPROM();
    p_.errors.trap(id::ReadError, [&] { c_.setEnabled(QStringLiteral("cmdReadPROM"), true); });
}

void frmEEPROMdata::cmdSave_Click() { saveEepromCommand(*family()); }

void frmEEPROMdata::cmdProgramme_Click()
{
    if (eeProgramme(*family()))
        mechProgrammed();
    displayEEPROM();
}

void frmEEPROMdata::cmdRouting_Click()
{
    // A refused or cancelled edit stays in the boxes; after programming they show what the mech
    // holds now.
    if (programmeRouting(*family(), routingFields(c_))) {
        mechProgrammed();
        displayEEPROM();
    }
}

void frmEEPROMdata::mechProgrammed()
{
    // The mech's routing words are what this window wrote: the limits editor builds its image
    // over them and no longer lays the coin set's routing over them.
    p_.memory.coins.clone.routingMapped = false;
}

void frmEEPROMdata::cmdBye_Click()
{
    p_.errors.trap(id::CloseError, [&] { hide(); });
    p_.leaveDataWindow(id::CloseError, true);
    p_.unloadEepromData();
}

} // namespace quenby
