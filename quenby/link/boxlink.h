#pragma once
// The serial link to the programmer box: the 20 ms countdown tick every wait rests on, the send
// primitives, the receive handler (text lines in line mode, raw mech bytes in serial mode) and
// the dispatcher that hands each box line to the flag or parser that consumes it.
//
// All of it is one instance owned by the program object; the waiting procedures of every window
// poll its flags while they pump.

#include "platform/services.h"
#include "quenby/link/senddata.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <exception>
#include <functional>

namespace quenby {

class TextTable;
class ErrorReporter;

// What the job launchers and job windows set and the receive side reads.
struct JobState {
    QString mechFamily; // "CC", "NRI" or "Mars"
    QString mechModel;
    bool nriG10LineMode = false; // the NRI G10 validator test runs
    bool measuring = false;      // a coin measurement runs
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

class BoxLink {
public:
    static constexpr int kTickMs = 20;
    static constexpr int kReplyWaitMs = 800;
    static constexpr int kLineBufferCap = 512;
    static constexpr char kEsc = 0x1B;

    BoxLink(const plat::Services& services, const TextTable& texts, const ErrorReporter& errors,
            const JobState& job);
    BoxLink(const BoxLink&) = delete;
    BoxLink& operator=(const BoxLink&) = delete;
    ~BoxLink();

    // The port the link talks through (owned by the program); its receive event is taken over.
    void setPort(plat::SerialPort* port);
    plat::SerialPort* port() const { return port_; }

    // ---- state ----
    bool portOpen = false;
    int countdownMs = 0;
    int delayCountMs = 0;
    QString lineBuffer;
    CcFrame ccFrame;
    bool lineReceived = false;
    bool passThrough = false;
    bool boxRestarted = false;
    bool mechPresent = false;
    bool statusSeen = false;
    bool promRowAck = false;
    std::array<qint32, 4> idleValues{}; // entries 0..2 used
    ValidatorTimings validatorTimings;
    QString boxVersion;
    bool replyAck = false;
    bool replyError = false;
    qint32 repliesExpected = 0;
    bool replyDone = false;
    QByteArray mechReply;
    bool ccAck = false;
    bool ccNak = false;
    QByteArray sentinelReply;
    bool sentinelLoggedOn = false; // set by the Sentinel logon; cleared here on "%"

    // ---- parsers that later features fill; unset ones do nothing ----
    std::function<void(const QString& line)> parseCoinAccepted;
    std::function<void(const QString& line)> loadMeasurement;
    std::function<void(const QString& line)> decodeMarsPromLine;
    std::function<void(const CcFrame& frame)> parseCcWordReply;
    std::function<void(const CcFrame& frame, int lastIndex)> parseCcMeasureFrame;
    std::function<void()> requestCcMeasurement;
    std::function<void(const QByteArray& report)> parseG10CoinAccepted;
    // The main window shows the box version (lblProgrammer).
    std::function<void(const QString& version)> showBoxVersion;

    // ---- operations ----
    void Timer1_Timer();
    void delayMs(int ms);
    void sendData(const QByteArray& s);
    void sendAndWait(const QByteArray& s);
    void clearInput();
    void sendJ();
    void sendW();
    void sendEscapes(int count = 25);
    void Comm1_OnComm();
    void processBoxLine(const QString& line);
    void parseIdles(const QString& line);
    void parsetimings(const QString& line);
    // Opens the port as `portNumber` when not open, then break 100 ms and 25 escapes. A refused
    // port ends the program after its message.
    void startupPort(int portNumber);

    // Sets countdownMs and pumps until done() or the countdown has run out. Returns done().
    bool waitFor(int ms, const std::function<bool()>& done = {});
    // Break on, 100 ms on the countdown, break off; the box is back in line mode (passThrough off).
    void sendBreak100();

    // Opens the port if it is not open yet (9600,N,8,1); true when it is open afterwards.
    bool openPort(int portNumber, plat::OpenResult* why = nullptr);

private:
    void handleByte(quint8 b);
    void handleLineByte(quint8 b);
    void handlePassThroughByte(quint8 b);
    void handleCcFrameByte(quint8 b);
    void trap(int textId, const std::function<void()>& fn);
    void portFailed(const QString& why);
    QString text(int id) const;

    plat::Services svc_;
    const TextTable& texts_;
    const ErrorReporter& errors_;
    const JobState& job_;
    plat::SerialPort* port_ = nullptr;
    bool inReceive_ = false;
    shared::OutageSender sender_;
};

} // namespace quenby
