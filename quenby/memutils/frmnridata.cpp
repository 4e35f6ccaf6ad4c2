#include "quenby/memutils/frmnridata.h"

#include "quenby/link/mechfamily.h"
#include "quenby/link/nrimech.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/nriviews.h"
#include "quenby/program.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quenby {

namespace {

namespace id {
constexpr int CloseError = 900;
constexpr int ProgrammeError = textid::NriProgrammeError;
constexpr int ReadError = textid::NriReadError;
constexpr int DisplayError = 916;
constexpr int LoadError = 921;
constexpr int SetupError = 926;
constexpr int DrawError = 959;
} // namespace id

constexpr std::pair<int, const char*> kCaptions[] = {
    {970, "Label1"}, {971, "Label4"}, {972, "Label3"}, {973, "cmdReadPROM"},
    {974, "cmdSave"}, {975, "cmdProgramme"}, {976, "cmdBye"},
};

constexpr int kPaneTop = 76;
constexpr int kPaneWidth = 800;
constexpr int kPaneHeight = 420;
constexpr int kButtonWidth = 180;
constexpr int kButtonsTop = kPaneTop + kPaneHeight + 20;

} // namespace

frmNRIdata::frmNRIdata(Program& program) : DataWindow(program, QStringLiteral("frmNRIdata"))
{
    build();
    Form_Load();
}

void frmNRIdata::build()
{
    setWindowTitle(QStringLiteral("NRI Memory Utilities"));
    setFixedSize(kPaneWidth + 30, kButtonsTop + 50);
    c_.add(this, QStringLiteral("frmNRIdata"));
    auto label = [this](const char* name, int x, int y, int w, int h) {
        auto* l = c_.add(new QLabel(this), QString::fromLatin1(name));
        l->setGeometry(x, y, w, h);
        return l;
    };
    label("Label4", 15, 12, 90, 24);
    label("lblmechType", 110, 12, 120, 24);
    label("Label3", 250, 12, 70, 24);
    addViewList(325);
    label("Label1", 15, 48, kPaneWidth, 22);
    styleMemoryPane(label("lblPROM", 15, kPaneTop, kPaneWidth, kPaneHeight));

    // Each waits for the box or works on what a job reads: one job at a time.
    const std::tuple<const char*, void (frmNRIdata::*)(), int> buttons[] = {
        {"cmdReadPROM", &frmNRIdata::cmdReadPROM_Click, 15},
        {"cmdSave", &frmNRIdata::cmdSave_Click, 215},
        {"cmdProgramme", &frmNRIdata::cmdProgramme_Click, 415},
    };
    for (const auto& [name, handler, left] : buttons)
        addJobButton(name, [this, handler] { (this->*handler)(); })->setGeometry(left, kButtonsTop, kButtonWidth, 32);
    addCloseButton()->setGeometry(kPaneWidth + 15 - kButtonWidth, kButtonsTop, kButtonWidth, 32);
}

void frmNRIdata::Form_Load()
{
    p_.errors.trap(id::LoadError, [&] { hide(); });
    p_.errors.trap(id::LoadError, [&] { setCaptions(); });
}

void frmNRIdata::setCaptions()
{
    for (const auto& [textId, control] : kCaptions)
        c_.setText(QString::fromLatin1(control), p_.texts.getText(textId));
}

void frmNRIdata::setup()
{
    p_.errors.trap(id::SetupError, [&] {
        model_ = p_.job.mechModel;
        c_.setText(QStringLiteral("lblmechType"), model_);
        c_.setVisible(QStringLiteral("lblmechType"), true);
        c_.setItems(QStringLiteral("cmbDisplay"), nriViewList(mechEntry(Family::NRI, model_), p_.texts));
        c_.setValue(QStringLiteral("cmbDisplay"), 0);
    });
    displayEEPROM();
    p_.errors.trap(id::SetupError, [&] { c_.setEnabled(QStringLiteral("cmdProgramme"), true); });
}

void frmNRIdata::displayEEPROM()
{
    p_.errors.trap(id::DrawError, [&] {
        c_.setVisible(QStringLiteral("lblPROM"), true);
        c_.setVisible(QStringLiteral("cmdProgramme"), true);
        const MechEntry entry = mechEntry(Family::NRI, model_);
        const NriView view = nriViewAt(entry, c_.value(QStringLiteral("cmbDisplay")));
        c_.setText(QStringLiteral("lblPROM"), nriViewText(view, {p_.memory.nri, p_.params, entry, p_.texts}));
        show();
    });
}

std::unique_ptr<MechFamily> frmNRIdata::family()
{
    p_.job.beginJob(Family::NRI, model_);
    return p_.mech().forJob();
}

void frmNRIdata::cmbDisplay_Click() { p_.errors.trap(id::DisplayError, [&] { displayEEPROM(); }); }

void frmNRIdata::cmdReadPROM_Click()
{
    p_.errors.trap(id::ReadError, [&] { c_.setEnabled(QStringLiteral("cmdReadPROM"), false); });
    readNriCommand(*family());
    displayEEPROM();
    p_.errors.trap(id::ReadError, [&] { c_.setEnabled(QStringLiteral("cmdReadPROM"), true); });
}

void frmNRIdata::cmdSave_Click() { saveNriCommand(*family()); }

bool frmNRIdata::NRIprogramme() { return quenby::NRIprogramme(*family(), false); }

void frmNRIdata::cmdProgramme_Click()
{
    if (NRIprogramme()) {
        // What the mech holds now, read without a "J" and "W" of its own.
        p_.errors.trap(id::ProgrammeError, [&] { family()->read(); });
    }
    displayEEPROM();
}

void frmNRIdata::cmdBye_Click()
{
    p_.errors.trap(id::CloseError, [&] { hide(); });
    // Back to the limits editor: what this window wrote into the kept channels' records is what
    // the editor's programming writes back, as the mech holds it now.
    if (p_.fromPromWindow)
        p_.errors.trap(id::CloseError,
                       [&] { retakeKeptNriCoinData(mechEntry(Family::NRI, model_), p_.params, p_.memory); });
    p_.leaveDataWindow(id::CloseError, true);
    p_.unloadNriData();
}

} // namespace quenby
