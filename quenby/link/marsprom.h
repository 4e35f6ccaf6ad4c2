#pragma once
// A Mars mech keeps its coin windows in a PROM in the programmer box's socket: the box reads it
// ("E", then "K" for a 2K or "A" for a 1K PROM, answered by "R" lines) and burns it row by row
// ("P" rows, each answered "Z"). The program never talks to the mech in serial mode.

#include "quenby/link/mechfamily.h"

namespace quenby {

class MarsPromFamily : public MechFamily {
public:
    using MechFamily::MechFamily;

    bool logon() override { return true; } // nothing to log on to: the box works the socket
    void logoff() override {}
    // The PROM of promSize into readImage; 101 when the line of the top address has not come in
    // 10 s, 107 when a line could not be placed or never came. Complete only with every line.
    ReadState read() override;
    // Every selected segment of the PROM's size, each with currentSegment set to its number.
    bool program() override;
    // The PROM read back and compared over the selected segments; "Verify PROM OK" or
    // "Verify PROM FAILED".
    std::optional<VerifyResult> verify() override;
    void mapCoinTableToProm(int segment) override;
    // An ME181 channel linked above 12 shows "PROM COPY SOURCE ERROR ME181" and keeps its windows.
    void copyPromToCoinTable() override;

    // Burns progImage(first..last), every row three times on a bipolar PROM, each awaited up to
    // 5 s and not sent again when its "Z" does not come. A word that is not a nibble burns
    // nothing of the range (text 106 and the address). True when every row was acknowledged.
    bool programRange(int first, int last);

    // One "R" line of a PROM read (the line dispatcher's); a line that cannot be placed is
    // reported with text 107 and changes nothing.
    static void decodeLine(MechContext& ctx, const QString& line);
};

// The box's validator timings for a Mars model, sent and read back from the status line up to
// six times ("C02" first on every pass for an MS1400); text 218 when they never match. True when
// the box confirmed them.
bool setupTimings(MechContext& ctx, const QString& model);

} // namespace quenby
