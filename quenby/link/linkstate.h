#pragma once
// The first program's link state: what the box reported, the countdowns the 20 ms tick runs
// down, and the buffers of both receive modes. One instance lives in the program object, read by
// every window as one thread does; the replies a job waits for are the link's own (boxlink.h).

#include "quenby/link/familytable.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace quenby {

// What the job launchers and job windows set and the receive side reads.
struct JobState {
    Family mechFamily = Family::None;
    QString mechModel;
    bool nriG10LineMode = false; // the NRI G10 validator test runs
    bool measuring = false;      // a coin measurement runs
    // The user asked a running job to stop (the measurement window's Back / Cancel). Every long
    // job and every unbounded wait looks at it, so whatever starts a job clears it first.
    bool userAbort = false;

    // What a job launcher does first: the family and model of the job, and no cancel left over
    // from an earlier one.
    void beginJob(Family family, const QString& model)
    {
        mechFamily = family;
        mechModel = model;
        userAbort = false;
    }
    // Back, Cancel, a refused entry or a lost port: the running job stops at its next look.
    void stop() { userAbort = true; }

    // The only setters of measuring and of a job's start and end: each holds for its scope and
    // leaves its flag clear however the scope ends, an exception included.
    template <bool JobState::*Flag, bool During>
    class Scope {
    public:
        explicit Scope(JobState& job) : job_(job) { job_.*Flag = During; }
        ~Scope() { job_.*Flag = false; }
        Scope(const Scope&) = delete;

    private:
        JobState& job_;
    };
    // A coin measurement runs: "M" lines and the CC mech's requests are the measurement's.
    using Measuring = Scope<&JobState::measuring, true>;
    // A job of the coin measurement window: no cancel left over when it begins or when it ends.
    using Run = Scope<&JobState::userAbort, false>;
};

// A CC frame being assembled in serial mode; slot 0 holds the start byte; count 0 = none open.
struct CcFrame {
    std::array<qint32, 33> slot{};
    int count = 0;
};

struct ValidatorTimings {
    double value1 = 0;
    double value2 = 0;
    double value3 = 0;
    qint32 value4 = 0;
};

// What the mech answered while the box relayed its bytes: the link's receive side records it,
// and each of the link's waits clears what it waits for before it sends.
struct MechReplies {
    bool ccAck = false;
    bool ccNak = false;
    // A CC word or measurement frame handled; a word's check failed; the word (-1 after a failure).
    bool ccWordDone = false;
    bool ccWordError = false;
    qint32 ccWordValue = -1;
    // NRI and Sentinel: a command's 0x06 and "?", the CRs still awaited and whether they came.
    bool replyAck = false;
    bool replyError = false;
    qint32 repliesExpected = 0;
    bool replyDone = false;
    QByteArray mechReply;
    QByteArray sentinelReply;
    // The CRs in sentinelReply: a Sentinel command's replies are counted in what came after the
    // echo of its last character, so a CR of another command's reply, or a stray one, is not.
    qint32 sentinelReplyEnds = 0;
    bool sentinelLoggedOn = false; // set by the Sentinel logon; cleared by the receive side on "%"
};

struct LinkState {
    bool portOpen = false;
    int countdownMs = 0;   // the one countdown of waits and time-outs
    int delayCountMs = 0;  // the countdown of delayMs
    QString lineBuffer;    // the text line being assembled in line mode
    CcFrame ccFrame;
    bool passThrough = false; // the box relays raw mech bytes (serial mode)
    bool mechPresent = false;
    // Lines dispatched and status lines among them, counted for the box check.
    int linesReceived = 0;
    int statusLines = 0;
    std::array<qint32, 3> idleValues{};
    ValidatorTimings validatorTimings;
    QString boxVersion;
};

} // namespace quenby
