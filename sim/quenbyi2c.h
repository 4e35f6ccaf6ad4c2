#pragma once
// The box's Sentinel interface, reached in serial mode on "$06". It talks I2C to a Sentinel
// mech and text to the program: every byte from the program is echoed (CR too) before anything
// is answered; CR followed by "#" opens or closes the interface; "TKI" makes it identify itself
// (the echoed "I", the rest of its identification, CR); while it is open a command line ended by
// CR goes to the mech over I2C, whose answer comes back as a line.

#include "sim/faults.h"
#include "sim/quenbymech.h"

#include <QByteArray>
#include <functional>
#include <optional>

namespace sim {

class SentinelInterface {
public:
    // What "TKI" reports: "I2.1" by default; "I1.0" or lower is an interface too old for a G18.
    QByteArray ident = "I2.1";
    // Clock and data lines stuck: nothing is echoed and "TKI" answers "E" and a code.
    bool i2cStuck = false;

    enum class Fault {
        NoEcho, // bytes (counted one by one) are not echoed
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }

    // Wired by the box: bytes to the program after a delay, command lines to the mech (nothing
    // when no mech answers on the interface).
    std::function<void(const QByteArray& bytes, plat::Millis delayMs)> toProgram;
    std::function<std::optional<I2cReply>(const QByteArray& line)> toMech;

    // Serial mode on "$06" begins: the interface starts closed with nothing assembled.
    void reset();
    void onBytes(const QByteArray& bytes);

    bool isOpen() const { return open_; }

private:
    void onByte(char c);

    FaultSet<Fault> faults_;
    QByteArray line_;
    bool afterCr_ = false;
    bool open_ = false;
};

} // namespace sim
