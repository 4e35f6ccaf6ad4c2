#pragma once
// The validator test window: up to 16 display lines (indicator, caption, count) in one or two
// columns, five binary output indicators, the output mode and G40 variant choices, "Clear Counts"
// and Back. What it shows is computed by valtestlayout.h and coinreports.h; the window places and
// renders it (15 twips to a pixel) and runs the box commands of its handlers.
//
// One instance at a time, built on first use (Form_Load) and unloaded by Back, so every test
// starts from the window's design state: Single output selected.

#include "platform/gui/namedcontrols.h"
#include "quenby/shell/valtestlayout.h"

#include <QWidget>

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace quenby {

class Program;

class frmValtest : public QWidget {
public:
    explicit frmValtest(Program& program);

    void Form_Load();
    // Lays the window out for the job's family and model, the output mode and the variant, sends
    // the probe and restart commands, clears the counts, centres and shows the window.
    void setupDisplay();
    // Selects Single output from code, as a test's start does: on a window in its design state
    // (Single already selected) nothing runs; otherwise optSingle_Click.
    void selectSingle();
    // cmbG40 filled with the G40 variants from code (no cmbG40_Click runs), the default chosen.
    void offerG40Variants();
    const QString& g40Variant() const { return variant_; }

    void optBinary_Click();
    void optSingle_Click();
    void cmbG40_Click();
    void cmdClearCount_Click();
    void cmdBack_Click();

    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void setCaptions();
    // Places and captions the lines, sizes the window and moves the right-hand panel.
    void render(const ValtestLayout& layout);
    void restoreShownChoice();

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmValtest")};
    QComboBox* cmbG40 = nullptr;
    QGroupBox* frmOptions = nullptr;
    QRadioButton* optSingle = nullptr;
    QRadioButton* optBinary = nullptr;
    QPushButton* cmdClearCount = nullptr;
    QPushButton* cmdBack = nullptr;
    QString variant_; // the G40 variant chosen, the one cmbG40 shows
    // What the last layout was built for: a refused choice returns to it.
    bool shownBinary_ = false;
    QString shownVariant_;
};

// Starts a validator test for the job's family and model; openedFrom 0 from the main window,
// 1 from the limits editor.
void openValidatorTest(Program& p, int openedFrom);

} // namespace quenby
