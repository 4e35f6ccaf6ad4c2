#pragma once
// The second program's link to its programmer box and, through the box, to the mech: the port,
// box commands and waits, mech frames, the receive handler and line parser, logon and EEPROM
// word access, and the mech commands of the test panels.
//
// One Link per program object. It keeps the LinkState, shows boxes through plat::Dialogs and
// waits through the Scheduler: every wait pumps, so the receive handler (Comm1_OnComm, which the
// program object wires to the port's onReceive) and the timers run inside it. Millisecond waits
// count on LinkState::replyTimeoutMs, which the window's 20 ms timer counts down; whole-second
// waits use the scheduler's monotonic clock. It knows no window: it
// asks for the mech's target through the function it is made with, and hands what the box
// reports for the test panels to onPanelEvent.

#include "ardwell/bench/models.h"
#include "ardwell/link/frames.h"
#include "ardwell/link/linkstate.h"
#include "platform/jobguard.h"
#include "platform/reentryguard.h"
#include "platform/senddata.h"
#include "platform/services.h"
#include "platform/vbtext.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>
#include <initializer_list>
#include <span>
#include <variant>

namespace ardwell {

// Small formatting procedures: hex2 (the low byte as two upper-case hex digits, negative values
// too) and hex4 (the last four hex digits) are the platform's.
using plat::hex2;
using plat::hex4;
qint64 byteSwap(qint64 w); // bytes of a 16-bit word exchanged; bits above 15 dropped
// Raises value to 0 when negative, then lowers it to max; stores and returns the result.
qint64 clampToRange(qint64& value, qint64& max);
// The common error box: critical, titled "Error detected", with the context and one blank, CR LF,
// the first 50 characters of the description, " - " and the number.
// `more` lines follow the error number.
void showError(plat::Dialogs& dialogs, const QString& context, const std::exception& e, const QString& more = {});

// What the link asks of the window when it needs it: the bus addresses typed in txtDestination
// and txtSource, and the model chosen.
struct MechTarget {
    int destination = 0;
    int source = 0;
    Model model = kDesignModel;
};

// What a line from the box tells the test panels. The link has answered the mech before the
// panels see it.
namespace panel {
struct Debug { QString line; };          // "*": shown as it came
struct Identified { QString text; };     // both identification lines, as the version label shows them
struct StatusInputs { int status = 0; }; // "@": the status byte
struct Accepted { int coin = 0; };       // the channel as sent, 0-based; any value
struct Rejected { int reason = 0; };
struct Routed { int route = 0; };
struct Reference { int index = 0; int value = 0; };      // baseline value, index as sent (0-based)
struct Measured { int index = 0; int a = 0; int b = 0; }; // index 1-based, A and B decoded
} // namespace panel
using PanelEvent = std::variant<panel::Debug, panel::Identified, panel::StatusInputs, panel::Accepted,
                                panel::Rejected, panel::Routed, panel::Reference, panel::Measured>;

// What a memory read brought back: the word, or why none came (NotSent: no such word, or the
// frame could not be made; NoReply: nothing for this word in 2 s, a reply for another may have).
struct WordReply {
    enum class Status { Word, NotSent, NotTaken, BadReply, NoReply } status = Status::NotSent;
    int word = -1; // -1 unless status is Word
};

// What the mech said to a memory write.
enum class WriteReply { Written, Refused, NoReply };

class Link {
public:
    explicit Link(const plat::Services& services, std::function<MechTarget()> target = [] { return MechTarget{}; });
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The program's one serial port (owned by the program object, may be null before start-up).
    // The program object also wires port->onReceive to Comm1_OnComm().
    void setPort(plat::SerialPort* port) { port_ = port; }
    plat::SerialPort* port() const { return port_; }
    LinkState& state() { return st_; }
    std::function<void(const PanelEvent&)> onPanelEvent = [](const PanelEvent&) {};

    // ---- Serial primitives and box commands ----
    // Opens the port on commPortNumber at "9600,N,8,1" (always reopened); port errors 8002 and
    // 8005 are reported with OK/Cancel, Cancel ends the program.
    void startupPort();
    // Writes text unchanged, nothing awaited; an error goes to "Error Sending Data : ".
    void sendData(const QByteArray& text);
    // Clears lineReceived, writes text, waits up to 1000 ms for lineReceived.
    void sendAndWait(const QByteArray& text);
    // Sets the countdown to ms and pumps until it is 0 or less.
    void delayMs(qint64 ms);
    // Critical box titled "Error detected" with the context and the error's description/number.
    void showError(const QString& context, const std::exception& e);
    void boxCmdPercent();  // "%"
    void boxCmdBar();      // "|"
    void boxCmdAmp();      // "&"
    void boxCmdDollar();   // the model's normal output command ("$")
    void boxCmdQuery();    // the model's binary output command ("?")
    void boxCmdIdentify(); // "S" then "V"
    bool identifyBox();    // "S" up to 5 times until the box answers ">"
    void mechPower(bool on);
    // One hopper pulse ("+") with the system beep, when the "Hopper Drive" box that governs it
    // is ticked: the programme panel's chkHopper for coin data gathering, the test frame's
    // chkHopper2 for the hopper test.
    void hopperPulse(bool driveTicked);
    // "#" and 255 - mask as two hex digits.
    void sendOutputMask(int mask);
    // True for an existing folder. Never ends the program: errors are reported, result False.
    bool dirExists(const QString& path);
    // The folder search behind dirExists; throws plat::RuntimeError as the system's does (tests).
    void setDirProbe(std::function<bool(const QString&)> probe) { dirProbe_ = std::move(probe); }
    // The same for the file search behind fileExists.
    void setFileProbe(std::function<bool(const QString&)> probe) { fileProbe_ = std::move(probe); }
    // Built-in procedures shared with the first program, with this program's texts and errors.
    bool fileExists(const QString& path);
    void makeSound(bool reject);

    // Waits up to n whole seconds (pumping at least once) until done() is true; returns done().
    bool waitSeconds(int n, const std::function<bool()>& done);

    // ---- Mech frames ----
    // Writes the frame line and waits up to 1 s for the box's "X"; returns boxAcknowledged.
    bool sendDataBlock(const Frame& f);
    // Sends destination, source, 04 and the checksum; no wait. The panels answer a coin event
    // themselves, between its sound and its lamps; an event they leave unanswered is answered
    // once they are done with it.
    void sendMessageUnderstood();

    // ---- Receive handler and parser ----
    static inline const QString kCommsContext = QStringLiteral("Error Comms routine : ");
    static inline const QString kParseContext = QStringLiteral("Error Parsing Data stream routine : ");
    void Comm1_OnComm();
    // Characters kept of one line; more before its CR are dropped (line noise, a flood).
    static constexpr int kLineBufferCap = 512;
    void parseDataStream(const QString& line);

    // ---- The port going away ----
    // The port closed under the program (its failure event, or a send that found it closed)
    // and has not been opened again. The first sign is reported once, with the port named, and
    // the running job stops there: the rest of it sends nothing, waits for nothing and shows
    // nothing (the guard keeps it quiet), and onJobStopped ends its loops. A job started later
    // opens the port again at its first send; when it cannot, the job's first wait for the box
    // says so once and stops it (sends alone, a dispense pulse, stay quiet).
    void setGuard(plat::JobGuard* guard) { guard_ = guard; }
    std::function<void()> onJobStopped;
    // The port's failure event.
    void portFailed(const QString& why);
    bool portLost() const { return sender_.lost(); }
    bool jobStopped() const { return guard_ && guard_->jobStopped(); }
    [[nodiscard]] plat::CountScope writing() { return sender_.writing(); }

    // ---- Logon and EEPROM words ----
    // The port is there and open (it closes itself when the line is lost).
    bool portUsable() const;
    void logon();
    // Every word the mech sends goes here as it comes, late ones and those of other addresses
    // too; a read first hands over its address with -1 (asked for, not read).
    std::function<void(int address, int word)> onWord = [](int, int) {};
    WordReply readMemory(int address);
    WordReply readMemoryRetry(int address);
    WriteReply writeMemory(int address, int value);
    void decodeMechMemory(const QString& payloadDigits);
    bool requestCoinData1();
    bool requestCoinData2();

    // ---- Mech commands of the 560/PCA test panel: true when the mech answered ----
    bool reInitialiseMech();
    bool hiiEnable();
    bool hiiEnableAll();
    bool hiiAcceptAll();

private:
    shared::OutageSender sender_; // says "port not open" once per outage
    plat::JobGuard* guard_ = nullptr;
    // Says the port is lost (once) and stops the running job: why is the failure event's reason,
    // empty when a send or a wait found the port closed.
    void lostPort(const QString& why = {});
    QString lostText() const;
    // Before a wait for the box: a job on a lost port says so once and stops.
    void stopIfLost();
    // The port opened again as startupPort opens it, without its boxes; true when it is open.
    bool reopenLostPort();
    QString reopenFailure_; // why the last reopenLostPort found no port (none once it opened one)
    void writePort(const QByteArray& bytes, const QString& errorContext);
    void boxCommand(const char* text);
    // A frame to the mech at the bus addresses the window shows: the header, the data and the
    // checksum.
    Frame mechFrame(int header, std::span<const int> data) const;
    Frame mechFrame(int header, std::initializer_list<int> data) const
    {
        return mechFrame(header, std::span<const int>(data.begin(), data.size()));
    }
    // A memory frame: the plain bytes and their check byte, enciphered with the last logon's key.
    Frame memoryFrame(int header, std::initializer_list<int> plain) const;
    // Runs fn; a std::exception goes to showError(context) and the caller goes on.
    void trap(const QString& context, const std::function<void()>& fn);
    bool requestCoinData(int second, const QString& context);
    bool mechCommand(std::initializer_list<int> command, qint64 pauseMs, const QString& message,
                     const QString& context);
    // An event frame: answered, and what it reports handed to the panels.
    void parseEvent(const QString& line);

    plat::Services svc_;
    LinkState st_;
    std::function<MechTarget()> target_;
    plat::SerialPort* port_ = nullptr;
    bool inReceive_ = false;
    int wantedAddress_ = -1; // the word readMemory waits for, and what came for it
    int wantedWord_ = -1;
    // The last read whose wait ended unanswered, and the key its request went out under: its
    // reply may still come, after a logon has changed the key.
    int unansweredAddress_ = -1;
    MechKey unansweredKey_;
    bool eventAnswered_ = false; // the event being shown has had its message understood
    std::function<bool(const QString&)> dirProbe_;
    std::function<bool(const QString&)> fileProbe_;
};

} // namespace ardwell
