#pragma once
// The limits editor: the acceptance windows of one PROM segment or EEPROM page as a grid of
// limit cells per coin, the six slug rows, the colours of overlapping windows and the estimated
// acceptance and rejection. The page is computed by limitsgrid.h; this window renders it, keeps
// the grid the user edits, and owns the target PROM type.

#include "platform/gui/controls.h"
#include "platform/gui/namedcontrols.h"
#include "quenby/memutils/limitscommands.h"
#include "quenby/memutils/limitsgrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

namespace quenby {

class Program;

class frmPROM : public QWidget, public LimitsEditor {
public:
    explicit frmPROM(Program& program);

    void Form_Load();
    void setCaptions();

    // The operations other windows call, each one step of limitsgrid.h rendered at once.
    void clearColors() override;
    void checkOverlaps(int firstCoin) override;
    void calcAcceptance(int firstCoin) override;
    void displayAcceptance(int firstCoin);
    void setupfrmPROM() override;
    void optSeg_Click(int index) override;
    void selectSegment(int page) override;
    // A cell's text changed, by the user or by code.
    void txtProm_Change(int index);

    // The six command buttons, each handed to the limits editor's commands.
    void cmdRestore_Click();
    void cmdChangeLimits_Click();
    void cmdProgPROM_Click();
    void cmdValtest_Click();
    void cmdPROMutilities_Click();
    void cmdBack1_Click();

    // The transfer burns bipolar PROMs unless the user chooses otherwise.
    void selectBipolarProm() override;
    // Back of a validator test, or a verified programming job: the "Validator Test" button may
    // start a test.
    void enableValidatorTest() override;

    const LimitsPage& page() const { return page_; }
    LimitsPage& page() override { return page_; }
    void render() override { render(false); }
    plat::View& view() override { return c_; }
    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    LimitsContext context();
    // The page into the controls; `layout` also places them.
    void render(bool layout);
    void placeControls();

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmPROM")};
    JobEntry entry_;
    LimitsPage page_;
    bool rendering_ = false;

    plat::ControlArray<QLineEdit> txtProm;
    plat::ControlArray<QLabel> lblSlugLimits;
    plat::ControlArray<QLabel> lblPtitle;
    plat::ControlArray<QLabel> lblCoin;
    plat::ControlArray<QLabel> lblAcceptance;
    plat::ControlArray<QLabel> lblRejection;
    plat::ControlArray<QLabel> Label10;
    plat::ControlArray<QRadioButton> optSeg;
};

} // namespace quenby
