#pragma once
// The CC EEPROM window ("EEPROM Utilities"): the EEPROM read into readImage in three views (the
// words in hex, the coin windows, what the model keeps besides), "Read EEPROM", "Save to File",
// "Programme from File", and on a 435 the routing editor in place of the third view with its
// "Programme Routing". The views are eepromviews.h and routing435.h, the jobs memoryjobs.h.
//
// The window keeps the model it was set up for; its jobs run for that model.

#include "quenby/memutils/frmpromdata.h"

#include <memory>

class QGroupBox;

namespace quenby {

class MechFamily;

class frmEEPROMdata : public DataWindow {
public:
    explicit frmEEPROMdata(Program& program);

    void Form_Load();
    void setCaptions();
    // For the job's model, from the EEPROM just read: the model, the view list with the hex view
    // chosen and drawn, "Programme from File" enabled.
    void setup();
    void displayEEPROM();

    void cmbDisplay_Click() override;
    void cmdReadPROM_Click();
    void cmdSave_Click();
    void cmdProgramme_Click();
    void cmdRouting_Click();
    void cmdBye_Click() override;

private:
    void build();
    void buildRoutingEditor();
    // The family of this window's model, as the job's.
    std::unique_ptr<MechFamily> family();
    // A programming job of this window wrote the mech.
    void mechProgrammed();

    QGroupBox* frm435 = nullptr;
};

} // namespace quenby
