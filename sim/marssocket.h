#pragma once
// A Mars mech, whose coin windows sit in a PROM in the box's socket. The program never reaches
// it in serial mode: the box reads and burns the PROM through line-mode commands of its own,
// which reach the socket through boxCommand:
//   "K" / "A"  read 512 / 256 nibbles as "R" lines of 16 ("R", 3 hex digits of the first
//              address, then a blank and one hex digit per nibble), top address last;
//   "P" rows   "P", 3 hex digits of the first address, 1 to 16 hex digits, CR: burnt, then "Z".
// A bipolar PROM is blank at 0 and burning only sets bits (with fusesNeedTwoBurns a bit takes
// two burns); an Ombrix E+1 PROM takes whatever is written. PROMs are swapped in and out of the
// socket as a workshop does at the program's prompts. Coins dropped through the mech measure
// around the windows of its own (typical) PROM, whichever PROM is in the socket.

#include "sim/faults.h"
#include "sim/quenbymech.h"

#include <QSet>
#include <optional>
#include <vector>

namespace sim {

struct MarsProm {
    enum class Kind { Bipolar, Ombrix };
    Kind kind = Kind::Bipolar;
    std::vector<quint8> nibbles;   // 256 ("1K") or 512 ("2K")
    std::vector<quint8> halfBlown; // bits burnt once on a PROM whose fuses need two burns
    bool fusesNeedTwoBurns = false;

    int size() const { return int(nibbles.size()); }
    bool isBlank() const;
    static MarsProm blank(int size = 512, Kind kind = Kind::Bipolar);
};

class MarsSocket : public QuenbyMech {
public:
    static const QStringList& models();
    // model: one of models() (else invalid_argument); the socket holds the model's typical PROM
    // of promSize nibbles (256 or 512; an ME181's is always 512).
    explicit MarsSocket(const QString& model = QStringLiteral("ME111"), int promSize = 512);
    QStringList interfaceCodes() const override { return {}; }
    int paramCount() const override { return 3; }
    char reportLetter(int channel) const override;

    // The PROM a mech of this model typically carries: word 0 of every segment 15, windows of
    // all six positions (12-bit low and high limits, nibbles low first), words 109 and 110, the
    // change marker 0, a coin set reference "GB050" and version "A12"; an ME181 in its two
    // 256-word segments with the data in the upper halves and its twelve coin values.
    static MarsProm typicalProm(const QString& model, int size = 512, MarsProm::Kind kind = MarsProm::Kind::Bipolar);
    // The windows of the typical PROM: (low, high) of parameter 1..3 for channel 1..24.
    static QList<QPair<int, int>> typicalWindows(int channel);
    static int typicalCoinValue(int coin); // ME181 coins 1..12

    // The socket. insert() and remove() give back the PROM taken out (none: empty socket).
    bool hasProm() const { return prom_.has_value(); }
    const std::optional<MarsProm>& prom() const { return prom_; }
    std::optional<MarsProm> insert(MarsProm prom);
    std::optional<MarsProm> remove();
    // A nibble as the box reads it (an empty socket reads 15; a 1K PROM repeats above 255).
    int nibble(int address) const;

    // Record: every row burnt (as sent, without CR) and how many reads were served.
    const QStringList& rowsBurnt() const { return rows_; }
    int reads() const { return reads_; }

    enum class Fault {
        TopLineLost,   // reads (counted) lose their last line
        GarbledLine,   // read lines (counted) carry a non-hex nibble
        LineMerged,    // reads (counted) lose the CR of the line at mergedLineAddress
        ReadSilent,    // reads (counted) are answered by no line at all
        RowAckLate,    // rows (counted) answered "Z" only after rowAckLateMs
        RowAckMissing, // rows (counted) burnt but never answered
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }
    plat::Millis rowAckLateMs = 6000;
    int mergedLineAddress = 0; // its line runs on into the next one under LineMerged
    // Burning this address never changes it.
    void nibbleDoesNotStickAt(int address) { noStick_.insert(address); }

    bool boxCommand(const QString& cmd) override;

private:
    void read(int size);
    void burn(const QString& row);

    std::optional<MarsProm> prom_;
    FaultSet<Fault> faults_;
    QSet<int> noStick_;
    QStringList rows_;
    int reads_ = 0;
};

} // namespace sim
