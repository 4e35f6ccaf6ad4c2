#pragma once
// Measurement samples on the wire: how each family asks for them, the CC measurement frame and
// its sum, the Sentinel reading line, the NRI "T" replies, the keep-alive of the older CC mechs,
// the reading row of the measurement log, and the per-coin NRI tables a coin set record or the
// mech's own memory supplies.

#include "quenby/clonewizard/cointables.h"
#include "quenby/link/familytable.h"
#include "quenby/link/linkstate.h"
#include "quenby/link/nritables.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>

namespace quenby {

// currentReading: the parameter values of the newest sample, index 0 the first parameter.
using Reading = std::array<qint32, 11>;

enum class MeasureRoad {
    None,        // a family or model nobody knows: nothing is asked for
    MarsLines,   // "N" starts and "I" stops the box's "M" lines
    CcFrames,    // serial mode; every "?" frame after a request is one sample
    SentinelPoll, // "M02070306" CR, one reading line per poll
    NriT,        // "T", then the mech's replies
};

enum class NriReplyLayout {
    None,
    Decimal,    // old models: four replies of three decimal digits, run together
    HexDirect,  // value i is the hex pair at character 2i + 1
    HexByMap,   // value i is the hex pair at character 2q + 1, q = nriCoinParams(coin, i + 1)
};

struct MeasurePlan {
    MeasureRoad road = MeasureRoad::None;
    // CC: the sample request (7F 1F 9E, or FF FF for the older models).
    QByteArray request;
    bool armsKeepAlive = false;    // the request sets keepAliveCount and enables Timer3
    bool keepAliveRepeats = false; // Timer3 sends the request again ("220B", "335")
    // NRI: replies per "T" (old models 4, new 1), how they are read, and the beep after each
    // sample ("G13-0000", "G18-0000").
    int nriReplies = 0;
    NriReplyLayout nriLayout = NriReplyLayout::None;
    bool beepEachSample = false;
    // remapCoinTables also copies the NRI per-coin tables ("G13-6000", "G18-3000", "G40-0000").
    bool remapsNriTables = false;
};

MeasurePlan measurePlan(const MechEntry& entry);

inline constexpr char kMarsMeasureOn[] = "N";
inline constexpr char kMarsMeasureOff[] = "I";
inline constexpr char kNriMeasureCommand[] = "T";
inline constexpr char kSentinelMeasureCommand[] = "M02070306\r";
inline constexpr int kSentinelMeasureReplies = 2; // the echoed CR and the reading line
inline constexpr int kSentinelMeasureTimeoutMs = 15000;
inline constexpr int kNriOldSamplePauseMs = 150;

// ---- CC frames ----

struct CcMeasureSample {
    bool sumOk = false; // false: dropped, the sample is asked for again
    int valueCount = 0; // values in `values` (lastIndex - 1, at most 11 reach currentReading)
    Reading values{};
};

// A collected "?" frame whose checksum byte is at lastIndex: the sum of every byte before it,
// "?" included, AND 255 must equal it; the values are the bytes between. A lastIndex that is not
// inside the collected bytes gives a frame that failed.
CcMeasureSample decodeCcMeasureFrame(const CcFrame& frame, int lastIndex);

// ---- keep-alive of the CC models answered by FF FF ----

inline constexpr qint32 kKeepAliveFirst = 10;  // seconds set by each request
inline constexpr qint32 kKeepAliveRepeat = 5;  // set by each repeat

struct KeepAliveTick {
    bool send = false;      // send the plan's request again
    qint32 keepAliveCount = 0;
};
// One 1000 ms tick of Timer3: with the count run out and samples still wanted, a repeating
// model is asked again; so the request repeats 11 s after the last one, then every 6 s.
KeepAliveTick keepAliveTick(qint32 keepAliveCount, bool repeats, qint32 samplesLeft);

// ---- Sentinel ----

struct SentinelSample {
    Reading values{};
    bool valid = false;       // readings 0..2 all non-zero and none 255
    bool rejectSound = false; // not valid although reading 0 is not 0
};
// The reading line (the reply with its echo removed): value i is the hex pair at character
// 4i + 4; missing or non-hex pairs read 0.
SentinelSample parseSentinelReading(const QByteArray& reply, int paramCount);

// ---- NRI "T" ----

// Values 0 .. paramCount - 1 of the collected replies by the plan's layout. For HexByMap the coin
// must be a channel 0..24, else RuntimeError(9) before anything is read. Missing characters
// read 0.
Reading parseNriMeasureReply(const QByteArray& mechReply, const MeasurePlan& plan, int paramCount, int coin,
                             const NriCoinTables& nri);

// ---- measurement log ----

// One reading row: an empty text, each of the paramCount values followed by an empty text, one
// more empty text; CR LF ("",61,"",130,"",97,"","").
QByteArray readingLogRow(const Reading& reading, int paramCount);

// ---- per-coin NRI tables ----

// A coin set record's NRI coin data (the "G13-6000P", "G40-0000P", "G18-3000P" records):
// characters 1..P x C one hex digit each, parameter-major (all coins of parameter 1 first) into
// nriCoinParams; 73..96 the hex pairs of coinOutputs 1..12; 97..108 the packed characters of
// nriCoinValues 1..12 (low four bits from the character's low nibble, bits 6 and 7 from its high
// nibble minus 3). The whole text is checked first: a text that is too short or has anything
// but a hex digit where digits belong raises RuntimeError before any table changes.
void decodeNriCoinData(const QString& s, const ModelParams& params, CoinArray& coinOutputs, NriCoinTables& nri);

// Channels 1 .. coinCount that keep another channel's data from the mech (coinLink k or -k)
// take its coin value, and on the models whose plan says so its NRI output code, inhibits and
// parameter map; channels linked to 0 are left as they are. A link outside 1..24 raises
// RuntimeError(9) before any table changes.
void remapCoinTables(const MeasurePlan& plan, const ModelParams& params, const CheckedArray<qint32, 25>& coinLink,
                     const NriReadTables& read, CheckedArray<qint32, 25>& coinValues, CoinArray& coinOutputs,
                     NriCoinTables& nri);

} // namespace quenby
