#pragma once
// The second program's link state: the port, the flags the parser sets and the waits poll, the
// one millisecond countdown (the window's Timer2 runs it down) and the line being assembled.
// The link keeps the one instance.

#include "ardwell/link/cipher.h"

#include <QString>

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
};

} // namespace ardwell
