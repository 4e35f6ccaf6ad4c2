#pragma once
// The coin measurement window: the coin set's header, the statistics of the record being
// gathered per parameter, the wizard panel in its place while a coin is chosen, the PROM size
// and segment choices, and the buttons of a cloning job. Everything it shows is set by the clone
// logic (clonewizard.h) through its named controls; its handlers hand each event on to it.

#include "platform/gui/namedcontrols.h"

#include <QWidget>
#include <functional>

class QCheckBox;

namespace quenby {

class Program;
struct MeasureLayout;
struct WizardPanel;

class frmCoinMeasure1 : public QWidget {
public:
    explicit frmCoinMeasure1(Program& program);

    // Form_Load has run for this instance (the program runs it on the window's first use).
    bool formLoaded = false;

    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

    void layOut(const MeasureLayout& layout);
    void layOutWizardPanel(const WizardPanel& panel);
    void centre();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void buildHeader();
    void buildMeasurements();
    void buildWizards();
    void buildChoices();
    void backOrCancel();

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmCoinMeasure1")};
};

} // namespace quenby
