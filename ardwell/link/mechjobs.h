#pragma once
// The mech jobs behind the main window's buttons and the programme panel's steps that leaving
// programme mode runs. The window calls them through this one interface, so a test can script
// them; the coin bench implements it.

namespace ardwell {

class MechJobs {
public:
    virtual ~MechJobs() = default;

    // "Program Coin Mech", "Adjust Settings" and "Test Coin Mech".
    virtual void programmeJob() = 0;
    virtual void adjustJob() = 0;
    virtual void testJob() = 0;

    // The programme panel's steps that writing the image on the way out runs.
    virtual void enableProgrammeControls(bool enabled) = 0;
    virtual void cmdProg_Click() = 0;

    // The adjust panel's steps that EXIT runs while the panel is open: the coin it shows into
    // the image (false when a field could not be stored), and its "Write to Mech" (true when
    // the edits were written and read back). Jobs without the panel have nothing to store.
    virtual bool storeAdjustCoin() { return true; }
    virtual bool writeAdjustEdits() { return false; }
};

} // namespace ardwell
