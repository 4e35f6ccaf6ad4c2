#pragma once
// The serial link to the programmer box: the 20 ms countdown tick every wait rests on, the send
// primitives, the receive handler (text lines in line mode, raw mech bytes in serial mode) and
// the dispatcher that hands each box line to the flag or parser that consumes it.
//
// One instance owned by the program object. What the box and the mech answered is the link's own:
// a job asks it to expect a reply, send and wait, and gets what arrived or why nothing did.

#include "platform/jobguard.h"
#include "platform/reentryguard.h"
#include "platform/senddata.h"
#include "platform/services.h"
#include "platform/view.h"
#include "quenby/link/familytable.h"
#include "quenby/link/linkstate.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quenby {

class TextTable;
class ErrorReporter;
class LinkParsers;

// The box's lines a job waits for: any line, a status line ("C", "N"), a PROM row's
// acknowledgement ("Z"), the restart line ("*R") and the idle readings ("Y").
enum class BoxLine { Any, Status, PromRow, Restarted, Idle, Count };

// How a wait for the mech ended.
enum class ReplyOutcome { Arrived, Refused, CheckFailed, TimedOut, Stopped };

// A CC word as the mech answered it; the value is -1 unless the word arrived.
struct WordReply {
    ReplyOutcome outcome = ReplyOutcome::Arrived;
    qint32 value = -1;
};

class BoxLink {
public:
    static constexpr int kTickMs = 20;
    static constexpr int kReplyWaitMs = 800;
    static constexpr int kLineBufferCap = 512;
    // Bytes kept while a box opened by the receive side waits; a device that floods the port
    // meanwhile loses the rest, never the memory.
    static constexpr int kBacklogCap = 4 * kLineBufferCap;
    static constexpr char kEsc = 0x1B;

    BoxLink(const plat::Services& services, LinkState& state, const TextTable& texts, const ErrorReporter& errors,
            JobState& job);
    BoxLink(const BoxLink&) = delete;
    BoxLink& operator=(const BoxLink&) = delete;
    ~BoxLink();

    // The port the link talks through (owned by the program); its receive and failure events are
    // taken over and, given a guard, run as guarded handlers.
    void setPort(plat::SerialPort* port, plat::JobGuard* guard = nullptr);
    plat::SerialPort* port() const { return port_; }
    LinkState& state() const { return st_; }
    const MechReplies& replies() const { return replies_; }

    // Where dispatched lines and frames go; set before the port delivers anything.
    void setParsers(LinkParsers& parsers) { parsers_ = &parsers; }
    // The main window, which shows the box version in "lblProgrammer"; none in link-only tests.
    void setMainView(plat::View* view) { mainView_ = view; }

    // ---- operations ----
    void Timer1_Timer();
    void delayMs(int ms);
    void sendData(const QByteArray& s);
    // Sends s and waits up to kReplyWaitMs for a line; true when one came.
    bool sendAndWait(const QByteArray& s);
    void clearInput();
    void sendJ();
    void sendW();
    // "W", "CFD", "J", as the models that need it are sent them once the box measures.
    void sendCfd();
    void sendEscapes(int count = 25);
    void Comm1_OnComm();
    void processBoxLine(const QString& line);
    void parseIdles(const QString& line);
    void parsetimings(const QString& line);
    // Opens the port as `portNumber` when not open, then break 100 ms and 25 escapes. A port that
    // will not open is said once, naming its device and why, and stops the running job.
    void startupPort(int portNumber);

    // Sets countdownMs and pumps until done() or the countdown has run out. Returns done().
    bool waitFor(int ms, const std::function<bool()>& done = {});
    // Forgets that such a line came (the idle readings too); waits up to ms for it; whether it came.
    void expectLine(BoxLine line);
    bool awaitLine(BoxLine line, int ms);
    bool lineSeen(BoxLine line) const { return seen_[size_t(line)]; }

    // ---- CC mechs in serial mode ----
    // Sends request and waits up to ms for the mech's 05; its 06 ends the wait when refusalEnds.
    ReplyOutcome sendCcAndAwaitAck(const QByteArray& request, int ms, bool refusalEnds = false);
    // Sends a word request and waits up to ms for the word frame.
    WordReply sendCcAndAwaitWord(const QByteArray& request, int ms);
    // A CC word frame, or a measurement frame, handed to its parser.
    void ccWordHandled(const CcFrame& frame);
    void ccMeasureHandled() { replies_.ccWordDone = true; }

    // ---- NRI and Sentinel mechs in serial mode ----
    // No reply, acknowledgement or refusal yet, and n replies awaited.
    void expectReplies(int n);
    // Waits up to ms for the mech's acknowledgement; true when it came.
    bool awaitAck(int ms);
    // Sends data afresh and waits up to ms for its acknowledgement; a refusal overrides one.
    ReplyOutcome sendAndAwaitAck(const QByteArray& data, int ms);
    // Waits up to ms (none: without time-out) for the replies awaited, or a stop.
    ReplyOutcome awaitReplies(std::optional<int> ms);
    // Sends one character of a Sentinel command and waits up to ms for its echo (or a stop).
    void sendEchoed(char c, int ms);
    // The Sentinel's reply becomes the reply: whole, or without the echo of the last character.
    void takeSentinelReply(bool whole);
    void setSentinelLoggedOn(bool on) { replies_.sentinelLoggedOn = on; }
    // Break on, ms on the countdown, break off; the box is back in line mode (passThrough off).
    void sendBreak(int ms);
    void sendBreak100() { sendBreak(100); }
    // The menu's resting state: whatever a job left, the box is taken to be in line mode.
    void assumeLineMode() { st_.passThrough = false; }

    // Opens the port if it is not open yet (9600,N,8,1); true when it is open afterwards, and
    // then portOpen says so.
    bool openPort(int portNumber, plat::OpenResult* why = nullptr);
    // Why port `portNumber` did not open at the last try: the port, its device and the reason
    // (for example "COM2 (sim:COM2) cannot be opened: no such device").
    QString openFailureText(int portNumber) const;
    // The port closed (when open) and portOpen cleared: the port chosen anew, the program ending.
    void closePort();
    // portOpen cleared with the port left as it is, so the next open looks at the port again.
    void forgetPortOpen() { st_.portOpen = false; }
    // What the pre-job check's logon found; status lines say it too.
    void setMechPresent(bool present) { st_.mechPresent = present; }

    // ---- the port going away ----
    // The port closed under the program (its failure event, or a send that found it closed)
    // and has not been opened again. The first sign is reported once, with the port named, and
    // so is the first wait for the box of a job started later; the job stops there: the rest of
    // it sends nothing, waits for nothing and shows nothing (the guard keeps it quiet), and
    // userAbort ends its loops. Sends outside that stay quiet until the port is opened again.
    bool portLost() const { return sender_.lost(); }
    // The receive side is handling what arrived (reports made meanwhile come from the box's
    // lines: the program shows each kind once per job).
    bool receiving() const { return inReceive_; }
    // Bytes read from the port and not yet handled (the backlog kept while a box waits).
    int backlogBytes() const { return int(backlog_.size()); }
    // The port number the link talks through (0 without a port).
    int portNumber() const { return port_ ? port_->portNumber() : 0; }

    // True while the running job has been stopped by a lost port.
    bool jobStopped() const { return guard_ && guard_->jobStopped(); }
    [[nodiscard]] plat::CountScope writing() { return sender_.writing(); }

private:
    // Inside a box opened by the receive side: moves what waits in the port into the backlog,
    // up to its cap.
    void holdBacklog();
    void handleByte(quint8 b);
    void handleLineByte(quint8 b);
    void handlePassThroughByte(quint8 b);
    void portFailed(const QString& why);
    // The first sign of a lost port in this job (or, outside a job, of this outage): reported
    // under textId with what it means, and the running job stopped.
    void lostPort(int textId, const std::exception& e);
    void portNotOpened(int portNumber);
    QString lostText() const;
    QString text(int id) const;

    plat::Services svc_;
    LinkState& st_;
    MechReplies replies_;
    std::array<bool, size_t(BoxLine::Count)> seen_{};
    const TextTable& texts_;
    const ErrorReporter& errors_;
    JobState& job_;
    plat::SerialPort* port_ = nullptr;
    plat::JobGuard* guard_ = nullptr;
    LinkParsers* parsers_ = nullptr;
    plat::View* mainView_ = nullptr;
    bool inReceive_ = false;
    QByteArray backlog_;
    // The family table entry of the job's family and model.
    JobEntry entry_;
    shared::OutageSender sender_;
};

} // namespace quenby
