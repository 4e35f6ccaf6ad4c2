#pragma once
// The second program's link state: the flags the parser sets and the waits poll, the one
// millisecond countdown, the EEPROM image and the measurement and test values. One instance
// lives in the program object; everything reads and writes it directly, as one thread does.

#include "ardwell/link/cipher.h"

#include <QString>
#include <array>

namespace ardwell {

struct LinkState {
    // Port (startupPort; commPortNumber comes from the settings and the port list).
    bool portOpen = false;
    int commPortNumber = 1;

    // The one countdown of every millisecond wait; Timer2 takes 20 off per tick.
    qint64 replyTimeoutMs = 0;

    // Reply flags.
    bool lineReceived = false;    // a reply line arrived (:= not boxAcknowledged after each line)
    bool boxAcknowledged = false; // box took a mech frame ("X")
    bool boxAnswered = false;     // box sent its ">" status line
    bool boxVersionReceived = false;
    bool mechAcknowledged = false; // mech said "message understood", or the box sent "Y"
    bool logonReplied = false;
    bool mechLoggedOn = false;
    bool memoryReplied = false;
    bool commsError = false; // a memory read reply failed its checks
    bool writeRefused = false; // the mech refused a frame

    QString boxStatusText;
    QString boxVersionText;
    QString serialLineBuffer; // the line being assembled

    MechKey mechKey; // from the last logon reply

    // Measurement values of a coin (elements 1..7 and 1..5) and test-panel state.
    std::array<int, 8> coinReading{};
    std::array<int, 6> coinBaseline{};
    bool coinDataReceived = false;
    int lastAcceptedCoin = 0;    // 1-based, 0 = none
    int lampCountdown = 0;       // 100 ms ticks until the coin lamps are reset
    int statusLampCountdown = 0; // 500 ms ticks until the status lamps are cleared
    bool test340Active = false;

};

} // namespace ardwell
