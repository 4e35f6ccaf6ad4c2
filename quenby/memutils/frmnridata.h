#pragma once
// The NRI memory window ("NRI Memory Utilities"): what the last read of an NRI mech filled into
// the NRI tables, as fixed-pitch text in the views its model has (nriviews.h), "Read Memory",
// "Save to File" and "Programme from File" (memoryjobs.h), which reads the mech again after a
// successful write.
//
// The window keeps the model it was set up for; its jobs run for that model.

#include "quenby/memutils/frmpromdata.h"

#include <memory>

namespace quenby {

class MechFamily;

class frmNRIdata : public DataWindow {
public:
    explicit frmNRIdata(Program& program);

    void Form_Load();
    void setCaptions();
    // For the job's model, from the tables just read: the model, its view list with the limits
    // chosen and drawn, "Programme from File" enabled.
    void setup();
    void displayEEPROM();

    void cmbDisplay_Click() override;
    void cmdReadPROM_Click();
    void cmdSave_Click();
    void cmdProgramme_Click();
    // The mech programmed from a data file the user picks; true when written.
    bool NRIprogramme();
    void cmdBye_Click() override;

private:
    void build();
    std::unique_ptr<MechFamily> family();

};

} // namespace quenby
