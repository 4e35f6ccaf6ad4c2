#include "quenby/memutils/frmpromdata.h"

#include "platform/gui/fonts.h"
#include "quenby/link/imagemap.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/promdataview.h"
#include "quenby/program.h"
#include "quenby/shell/frmmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quenby {

namespace {

namespace id {
constexpr int SizeError = 1301;
constexpr int CloseError = 1302;
constexpr int DisplayError = 1304;
constexpr int LoadError = 1305;
constexpr int ListsError = 1313;
constexpr int SetupError = 1314;
} // namespace id

// Captions of the design: (text id, control).
constexpr std::pair<int, const char*> kCaptions[] = {
    {1350, "Label1"}, {1351, "Label2"}, {1352, "Label5"}, {1353, "Label3"},
    {1354, "Label4"}, {1355, "cmdReadPROM"}, {1356, "cmdBye"},
};

constexpr int kPaneWidth = 470;
constexpr int kPaneHeight = 440;

} // namespace

void styleMemoryPane(QLabel* pane)
{
    pane->setFont(plat::fixedPitchFont());
    pane->setTextFormat(Qt::PlainText);
    pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setBackgroundRole(QPalette::Base);
    pane->setAutoFillBackground(true);
}

DataWindow::DataWindow(Program& program, const QString& name)
    : p_(program), c_(name), close_(program.guard, name + QStringLiteral(".cmdBye_Click : "), [this] { cmdBye_Click(); })
{
}

void DataWindow::closeEvent(QCloseEvent* e)
{
    e->ignore();
    p_.guard.handle(c_.window() + QStringLiteral(".Form_Unload : "), [this] { close_.request(); });
}

void DataWindow::addViewList(int left)
{
    cmbDisplay = c_.add(new QComboBox(this), QStringLiteral("cmbDisplay"));
    cmbDisplay->setGeometry(left, 10, 200, 26);
    plat::onClick(p_.guard, cmbDisplay, [this] { cmbDisplay_Click(); });
}

QPushButton* DataWindow::addJobButton(const char* name, std::function<void()> handler)
{
    auto* b = c_.add(new QPushButton(this), QString::fromLatin1(name));
    plat::onClick(p_.guard, b, plat::Job{std::move(handler)});
    return b;
}

QPushButton* DataWindow::addCloseButton()
{
    auto* b = c_.add(new QPushButton(this), QStringLiteral("cmdBye"));
    plat::onClick(p_.guard, b, [this] { close_.request(); });
    return b;
}

frmPROMdata::frmPROMdata(Program& program) : DataWindow(program, QStringLiteral("frmPROMdata"))
{
    build();
    Form_Load();
}

void frmPROMdata::build()
{
    setWindowTitle(QStringLiteral("PROM Utilities"));
    setFixedSize(2 * kPaneWidth + 50, kPaneHeight + 170);
    c_.add(this, QStringLiteral("frmPROMdata"));
    auto label = [this](const char* name, int x, int y, int w, int h) {
        auto* l = c_.add(new QLabel(this), QString::fromLatin1(name));
        l->setGeometry(x, y, w, h);
        return l;
    };
    auto pane = [&](const char* name, int x) { styleMemoryPane(label(name, x, 110, kPaneWidth, kPaneHeight)); };
    label("Label5", 15, 12, 90, 24);
    label("lblmechType", 110, 12, 120, 24);
    label("Label4", 250, 12, 80, 24);
    cmbSize = c_.add(new QComboBox(this), QStringLiteral("cmbSize"));
    cmbSize->setGeometry(335, 10, 70, 26);
    label("Label3", 430, 12, 70, 24);
    addViewList(505);
    label("Label1", 15, 80, kPaneWidth, 24);
    label("Label2", kPaneWidth + 35, 80, kPaneWidth, 24);
    pane("lblPROM", 15);
    pane("lblPROM2", kPaneWidth + 35);
    addJobButton("cmdReadPROM", [this] { cmdReadPROM_Click(); })->setGeometry(15, kPaneHeight + 125, 180, 32);
    addCloseButton()->setGeometry(2 * kPaneWidth + 35 - 180, kPaneHeight + 125, 180, 32);

    // A user's choice only: filling or setting a list from code runs nothing. The size cannot
    // change under a read: a refused choice goes back to the size shown.
    plat::onClick(p_.guard, cmbSize,
                  plat::Job{[this] { cmbSize_Click(); }, [this] { c_.setText(QStringLiteral("cmbSize"), shownSize_); }});
}

void frmPROMdata::Form_Load()
{
    p_.errors.trap(id::LoadError, [&] { setCaptions(); });
    p_.errors.trap(id::LoadError, [&] {
        model_ = p_.job.mechModel;
        c_.setItems(QStringLiteral("cmbSize"), promSizeList());
        shownSize_ = promSizeText(p_.memory.promSize);
        c_.setText(QStringLiteral("cmbSize"), shownSize_);
    });
    setupLists();
}

void frmPROMdata::setCaptions()
{
    for (const auto& [textId, control] : kCaptions)
        c_.setText(QString::fromLatin1(control), p_.texts.getText(textId));
}

void frmPROMdata::setupLists()
{
    p_.errors.trap(id::ListsError, [&] {
        c_.setItems(QStringLiteral("cmbDisplay"), promViewList(mechEntry(Family::Mars, model_),
                                                               c_.text(QStringLiteral("cmbSize")), p_.texts));
        c_.setValue(QStringLiteral("cmbDisplay"), 0);
    });
}

void frmPROMdata::setup(int fromPROM)
{
    p_.errors.trap(id::SetupError, [&] {
        model_ = p_.job.mechModel;
        const bool fromEditor = fromPROM != 0;
        shownSize_ = fromEditor ? promSizeText(p_.memory.promSize) : promSizeText(0);
        c_.setEnabled(QStringLiteral("cmbSize"), !fromEditor);
        c_.setText(QStringLiteral("cmbSize"), shownSize_);
        if (!fromEditor) {
            for (int s = 0; s < 4; ++s)
                p_.memory.coins.segmentSelected(s) = true;
        }
        c_.setText(QStringLiteral("lblmechType"), model_);
        c_.setVisible(QStringLiteral("lblmechType"), true);
    });
    setupLists();
}

void frmPROMdata::takeShownSize()
{
    shownSize_ = c_.text(QStringLiteral("cmbSize"));
    p_.memory.promSize = promSizeOf(shownSize_);
}

void frmPROMdata::cmbSize_Click()
{
    p_.errors.trap(id::SizeError, [&] { takeShownSize(); });
    setupLists();
    redraw();
}

void frmPROMdata::cmbDisplay_Click() { p_.errors.trap(id::DisplayError, [&] { redraw(); }); }

void frmPROMdata::redraw()
{
    takeShownSize();
    const std::unique_ptr<MechFamily> family = makeMechFamily(p_.mech().ctx, mechEntry(Family::Mars, model_));
    formatMarsPromReport(*family, p_.promDataView());
}

void frmPROMdata::cmdReadPROM_Click()
{
    // A read of this view's PROM, whatever family and size the last job left behind.
    p_.job.beginJob(Family::Mars, model_);
    takeShownSize();
    readPromCommand(*p_.mech().forJob(), p_.promDataView());
}

void frmPROMdata::cmdBye_Click()
{
    p_.errors.trap(id::CloseError, [&] { hide(); });
    plat::View& mainView = p_.mainForm().controls();
    p_.errors.trap(id::CloseError, [&] { mainView.setEnabled(QStringLiteral("cmdPROMutilities"), true); });
    if (frmPROM* f = p_.promIfLoaded()) {
        plat::View& promView = f->controls();
        p_.errors.trap(id::CloseError, [&] { promView.setEnabled(QStringLiteral("cmdPROMutilities"), true); });
    }
    p_.leaveDataWindow(id::CloseError, false);
    p_.unloadPromData();
}

int frmPROMdata::showReportView()
{
    show();
    return c_.value(QStringLiteral("cmbDisplay"));
}

void frmPROMdata::setPanes(const QString& read, const QString& toProgram)
{
    c_.setText(QStringLiteral("lblPROM"), read);
    c_.setText(QStringLiteral("lblPROM2"), toProgram);
}

} // namespace quenby
