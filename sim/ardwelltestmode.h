#pragma once
// What the second program's simulated mech does with a coin in test mode, worked out from its
// EEPROM image: which channel's window the coin falls into, the route a 560 or PCA reports, the
// output lines a 330 or 126 raises for the box's "@" status lines, and the 340's credit, games,
// coin meter and lamps.

#include "sim/ardwellcoins.h"
#include "sim/ardwellimages.h"

#include <QList>
#include <QString>

namespace sim {

// Reject reasons a mech reports in its "05" event.
namespace reason {
constexpr int KnownSlug = 0;
constexpr int UnknownPayment = 1;
constexpr int CoinInhibited = 11;
} // namespace reason

struct CoinOutcome {
    int channel = -1;      // 0-based channel whose window the coin fell into, -1 none
    bool inhibited = false; // that channel is inhibited in word 0
    int slugReason = -1;   // a slug's reject reason, -1 for a coin
    bool accepted() const { return channel >= 0 && !inhibited && slugReason < 0; }
    // The "05" reason of a coin that was not accepted.
    int rejectReason() const
    {
        return slugReason >= 0 ? slugReason : inhibited ? reason::CoinInhibited : reason::UnknownPayment;
    }
};

// The first programmed channel (in channel order) whose four windows hold the coin.
CoinOutcome classify(const QString& model, const ardwellimage::Words& words, const CoinSample& coin);

// The route a coin accepted on channel idx reports ("03" event): on a 560 the highest set bit
// 0..6 of its route byte, or 7 (the default route) when none; a fixed route per channel on the
// PCA; 7 on the other models.
int route(const QString& model, const ardwellimage::Words& words, int idx);

// The status byte of the box's "@" line for a coin accepted on channel idx of a 330 or 126, in
// the box's output mode '$' (output lines) or '?' (binary code), or -1 when it raises none: an
// inhibit line held by the box's inhibit inputs (bits 0..5 for lines A..F) holds the coin.
int outputStatus(const QString& model, const ardwellimage::Words& words, int idx, char mode, int inhibitInputs);

// The 340's creditor: coin values times the scaling factor build credit; each game price of
// credit pulses a player (player 1, or players 1..4 in turn), at once or, with manual dispense
// set, on the box's dispense command. Every call returns the status bytes of the "@" lines it
// raises, in order: players 1, 2, 4, 8, coin meter 16, and the levels ELAMP 32 while credit is
// held and PLAMP 64 while a game is ready.
class Creditor340 {
public:
    QList<int> coin(const ardwellimage::Words& words, int idx);
    // "[01", "[02", "[04", "[08": dispense to player 1..4.
    QList<int> dispense(const ardwellimage::Words& words, int playerBits);
    // "[10": the external credit value.
    QList<int> externalCredit(const ardwellimage::Words& words);
    void reset() { credit_ = 0, nextPlayer_ = 0; }
    int credit() const { return credit_; }

private:
    struct Settings {
        bool fourPlayers = false;
        bool manualDispense = false;
        bool coinMeter = false;
        int scaling = 1;
        int price = 0;
        int externalCredit = 0;
    };
    static Settings read(const ardwellimage::Words& words);
    int levels(const Settings& s) const;
    void games(const Settings& s, QList<int>& lines);

    int credit_ = 0;
    int nextPlayer_ = 0;
};

} // namespace sim
