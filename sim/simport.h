#pragma once
// The serial port of a simulated programmer box. Bytes the program writes reach the device after
// their wire time at 9600 baud; the device's replies arrive byte by byte at wire speed after a
// latency. Everything happens inside Scheduler::pump(), never from inside a write, so the program
// sees replies only while it waits, as with a real box. Every byte sent and every break is kept
// in a transcript with its (virtual) time for assertions.

#include "platform/scheduler.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace sim {

class SimPort;

// A simulated box (and whatever is plugged into it) behind a SimPort.
class Device {
public:
    virtual ~Device() = default;
    // The bytes the program wrote, delivered after their wire time.
    virtual void onBytes(const QByteArray& bytes) = 0;
    virtual void onBreak(bool /*on*/) {}
    virtual void onOpen() {}
    virtual void onClose() {}

    void attach(SimPort* port) { port_ = port; }

protected:
    SimPort* port() const { return port_; }

private:
    SimPort* port_ = nullptr;
};

struct TranscriptEntry {
    enum Kind { Open, Close, Sent, BreakOn, BreakOff, Received };
    plat::Millis at;
    Kind kind;
    QByteArray bytes; // Sent / Received
};

class SimPort : public plat::SerialPort {
public:
    // Microseconds one byte takes on the wire at 9600 baud, 8N1.
    static constexpr qint64 kByteMicros = 10'000'000 / 9600;

    SimPort(plat::Scheduler& sched, Device& device);
    ~SimPort() override;

    // plat::SerialPort
    void setPortNumber(int n) override { portNumber_ = n; }
    int portNumber() const override { return portNumber_; }
    void setSettings(const QString& s) override { settings_ = s; }
    QString settings() const override { return settings_; }
    plat::OpenResult open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString errorText() const override { return errorText_; }
    QString deviceName() const override { return QStringLiteral("sim:COM%1").arg(portNumber_); }
    void setBreak(bool on) override;
    void write(const QByteArray& bytes) override;
    int bytesWaiting() const override { return int(inbox_.size()); }
    QByteArray read(int maxBytes) override;
    void clearInput() override { inbox_.clear(); }

    // The clock the port runs on, for devices that keep time of their own.
    plat::Scheduler& scheduler() const { return sched_; }

    // Called by the device: bytes travel to the program after latencyMs, then at wire speed.
    void reply(const QByteArray& bytes, plat::Millis latencyMs);
    // When the last byte handed to reply() so far reaches the program.
    plat::Millis repliesDoneAtMs() const { return (inFreeAtUs_ + 999) / 1000; }

    // Fault knobs of the port itself.
    void setOpenResult(plat::OpenResult r) { openResult_ = r; }
    // The next opens fail with r and say why (as a real device that is no serial port would).
    void setOpenFailure(plat::OpenResult r, const QString& why)
    {
        openResult_ = r;
        openWhy_ = why;
    }
    // Simulates the peer hanging up: the port closes and reports once.
    void hangUp(const QString& why);

    const std::vector<TranscriptEntry>& transcript() const { return transcript_; }
    // Keep only the newest entries (sim/records.h); 0, the default, keeps every one.
    void setTranscriptLimit(std::size_t entries) { transcriptLimit_ = entries; }
    // Everything the program sent, with "<BRK+>"/"<BRK->" markers for breaks, for compact asserts.
    QByteArray sentWithBreaks() const;
    void clearTranscript() { transcript_.clear(); }

private:
    plat::Scheduler& sched_;
    Device& device_;
    int portNumber_ = 1;
    QString settings_;
    bool open_ = false;
    bool breakOn_ = false;
    QString errorText_;
    plat::OpenResult openResult_ = plat::OpenResult::Ok;
    QString openWhy_;
    QByteArray inbox_;
    // Sub-millisecond wire time is kept in microseconds so long bursts add up correctly.
    qint64 outFreeAtUs_ = 0;
    qint64 inFreeAtUs_ = 0;
    std::vector<TranscriptEntry> transcript_;
    std::size_t transcriptLimit_ = 0;
    void record(TranscriptEntry::Kind kind, const QByteArray& bytes = {});
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace sim
