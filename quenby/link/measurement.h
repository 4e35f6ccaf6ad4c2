#pragma once
// Measurement acquisition: starting and stopping the samples of the job's family, and turning
// each family's answer into one sample in currentReading that the coin measurement window takes
// with updateStats(0). Mars samples come as the box's "M" lines (the window reads those itself);
// CC mechs send frames in serial mode after a request, the older ones kept armed by Timer3; the
// Sentinel is polled and the NRI mechs answer "T", both in loops that run inside
// startMeasurement. Also the NRI coin data of a coin set record and the copy of per-coin tables
// through the coin links.

#include "quenby/link/measurewire.h"
#include "quenby/link/mechfamily.h"

#include <QString>
#include <functional>

namespace quenby {

class CoinMeasureWindow;

// The measurement hand-over the program keeps between the link, this layer and the window.
struct MeasureState {
    Reading currentReading{};
    qint32 samplesLeft = 0;   // coins still wanted for the record being gathered
    qint32 keepAliveCount = 0; // seconds until Timer3 asks an older CC mech again
    // The measurement log a coin set run opened: each valid sample becomes one reading row.
    bool logEnabled = false;
    QString logPath;
};

class Measurement {
public:
    // What the layer reaches in the main window.
    struct Hooks {
        std::function<void()> startKeepAlive;      // enables Timer3
        std::function<void(bool reject)> makeSound; // the accept or reject sound
    };

    Measurement(MechContext& ctx, MeasureState& state);
    Measurement(const Measurement&) = delete;
    Measurement& operator=(const Measurement&) = delete;

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Where samples go; set before the first measurement starts.
    void setWindow(CoinMeasureWindow& window) { window_ = &window; }

    // Starts the samples of the job's family for channel `coin` (the Sentinel and NRI loops run
    // here until the record is complete or the user ends it); stopMeasurement ends them.
    void startMeasurement(int coin);
    void stopMeasurement();
    // Asks a CC mech for its next sample (the Sentinel: the whole polling loop).
    void requestCcMeasurement();
    // A collected "?" frame whose checksum byte is at lastIndex.
    void parseCcMeasureFrame(const CcFrame& frame, int lastIndex);
    void nriMeasureLoop(int coin);
    // One 1000 ms tick of Timer3, the older CC mechs' keep-alive.
    void keepAliveTick();
    // A coin set record's NRI coin data into nriCoinParams, coinOutputs and nriCoinValues; text
    // that cannot be decoded is reported once (323) and changes no table.
    void decodeNriCoinData(const QString& s);
    // The per-coin tables of every linked channel from the mech's own (324 and nothing changed
    // when a link points outside the tables).
    void remapCoinTables();
    // Non-zero plays the reject sound.
    void playSound(int reject);

    MeasurePlan plan() const;

private:
    void sentinelPollLoop();
    void writeReadingRow();
    void deliver();

    MechContext& ctx_;
    MeasureState& m_;
    Hooks hooks_;
    CoinMeasureWindow* window_ = nullptr;
};

} // namespace quenby
