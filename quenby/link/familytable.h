#pragma once
// Every mech model in one table: the shape of its memory and measurements, how the box reaches
// it, where a CC mech keeps its windows and checksum, how a Mars PROM is cut into segments, which
// NRI records it has, how its samples are asked for, what the validator test shows, what the
// wizards ask and what its data window's views show. A job looks its entry up from the family and model it starts with, and every
// procedure after that reads the entry: nothing else compares model or family names.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <optional>

namespace quenby {

class TextTable;

enum class Family { None, Mars, CC, NRI };

// The family as a coin set's first line and the texts spell it ("Mars", "CC", "NRI"; "" for
// None), and back (exact, case-sensitive; any other text is None).
QString familyName(Family family);
Family familyNamed(const QString& name);

enum class MechKind {
    Mars,     // socketed PROM, read and burnt by the box itself
    CcWord,   // CC EEPROM over the word protocol of raw byte frames
    Sentinel, // CC EEPROM over the Sentinel interface's text commands
    NriOld,   // decimal replies of several lines; programmed with "D", "B" or "F", "E"
    NriNew,   // 28 numbered hex records, read with "X" and written with "Z"
    Unknown,  // a family or NRI model nobody knows: nothing is sent to it
};

enum class CcChecksum {
    None,
    KeepByteSum127, // word 127's high byte keeps the byte sum of words 0..127 as read
    Sentinel63,     // word 63 = 256 - (byte sum of words 0..62 AND 255)
};

// The routing words a coin set's route record writes into a CC image.
enum class CcRouting {
    None,
    Sentinel, // 54, 55, the counter in word 53's high byte, 58 and the check word 56
    Words450, // 121..123
    Words435, // 128..143, word 11's bit 8, 110..113, the high bytes of 228 and 204
};

// The defaults are those of a CC model the table does not list: the word protocol.
struct CcQuirks {
    const char* boxSelect = "C08"; // sent to the box before serial mode ("C00" / "C08")
    int limitBase = 9;             // window of channel c, parameter p: base + (c-1) + stride (p-1)
    int limitStride = 16;
    int limitCopyOffset = 0;       // 220B keeps a second copy of every window 8 words further
    CcChecksum checksum = CcChecksum::KeepByteSum127;
    int checksumWord = 127;
    int verifyLastWord = -1;       // last word a verify compares; -1: memorySize - 1
    // Measurement frames ("?" start byte): the index of the last byte, and whether a frame of
    // that length only counts when its sum matches (else it grows by one byte, unchecked).
    int measureFrameLast = 4;
    bool measureFrameSummed = false;
    CcRouting routing = CcRouting::None;
    bool c120Outputs = false; // a C120 output record goes into words 82..88 or 109..114
    // Measurement: samples asked for with "FF FF" and kept alive (220B and 335 repeat the
    // request), else with "7F 1F 9E" (C120, 435, 450).
    bool measureKeepAlive = true;
    bool keepAliveRepeats = false;

    int verifyLast(int memorySize) const { return verifyLastWord >= 0 ? verifyLastWord : memorySize - 1; }
};

struct MarsQuirks {
    int segmentWords = 128;      // ME181: 256
    int segmentDataOffset = 0;   // ME181 keeps its data in the upper half of each segment
    int maxSegments = 4;         // ME181: 2
    const char* timings = "Z030020150100"; // the timing command without its CR
    bool timingsNeedC02 = false; // MS1400 selects its timing set before every pass
    bool coinValuesInImage = false; // ME181 keeps coin values 1..12 as nibble pairs
    int idlePauseMs = 0;            // MS1000, MS1400: settle before the idle readings are asked for
    bool cfdAfterStart = false;     // ME181: the box is sent "W", "CFD", "J" once it measures
};

// What an NRI model's data window shows besides its limits: a parameter or compensation map (with
// its legend), and "Other Information" (the outputs with their heading and route column, coin
// values, the G10 values and tubes).
enum class NriMap { None, Parameters, Compensation };
enum class NriLegend { None, Texts, G40 };
enum class NriOther { Nothing, Outputs, Values, G10, G10Five };
enum class NriRoute { None, Bits8421, RouteTwo };
struct NriViews {
    NriMap map = NriMap::None;
    NriLegend legend = NriLegend::None;
    NriOther other = NriOther::Nothing;
    int outputsHeading = 0; // text id
    NriRoute route = NriRoute::None;
};

struct NriQuirks {
    // Identification replies accepted after "I"; empty: any reply.
    QStringList identReplies;
    int identPauseMs = 0;        // pause before "I" (the slower interfaces)
    bool g18Probe = false;       // a failed logon probes for the Sentinel interface board
    // New models: whether records 1A and 1B are read; compensation bytes of record 19;
    // whether programming writes the route record 11; blocks a data file programs.
    bool readsRecords1A1B = false;
    int compensationBytes = 0;
    bool writesRecord11 = false;
    int dataFileBlocks = 0;
    // G10 models keep their values and tubes in the value record ("X" / record 0F), behind a
    // header of this many characters that programming writes back unchanged; 0 otherwise.
    int g10HeaderLength = 0;
    // Measurement: a beep after each sample (G13-0000, G18-0000); a newer model's "T" reply read
    // through the coin's parameter map (G13-6000, G40-0000); the per-coin NRI tables copied by
    // remapCoinTables (G13-6000, G18-3000, G40-0000).
    bool beepEachSample = false;
    bool measureByMap = false;
    bool remapsNriTables = false;
    NriViews views;
};

// What the statistics, the overlap check and the estimate need to know of the family and model.
struct LimitRules {
    // Mars: 12-bit limits, readings range-checked, pages are PROM segments of six coins whose
    // rows are titled by position letter and segment.
    bool mars = false;
    // NRI: a coin window with low >= high counts as unset when two coins are compared.
    bool invertedWindowsUnset = false;
    // CC "435": the fifth parameter of slugs and unset fifth-parameter windows follow their own
    // rules.
    bool fifthParamSlugRule = false;
    int limitCap = 255;
    // Pages a 2K PROM offers ("ME181" keeps its two 256-nibble segments).
    int pagesOn2K = 4;
};

// The shape of a model's memory and measurements; a paramCount of 0 describes none.
struct ModelShape {
    int paramCount = 0;      // measured parameters per coin
    int coinCount = 0;       // coin channels
    int coinsPerSegment = 0; // per PROM segment (Mars) or limits page (others)
    int segmentCount = 0;
    int memorySize = 0;      // memory words read, programmed and verified
    int firstNameId = 0;     // text id of the first parameter's name; 0: "Parameter1".."Parameter6"
};

// What a model does in the validator test.
struct ValtestModel {
    int lines = 0;            // Single mode
    int binaryLines = 0;      // Binary mode; 0 when the mech has no binary output
    bool numbered = false;    // captions "Coin 01".. whatever the mode (G10)
    bool tubes = false;       // lines 9..12 are "Tube L", "Tube M", "Tube R", "Cashbox"
    bool marsReject = false;  // the last line is "Rejected" on a box at or above V1.91
    // Starting a test: Mars asks "V" and sets its timings; G10 logs on into serial mode;
    // the others send startCommand.
    bool marsTimings = false;
    bool g10Logon = false;
    QByteArray startCommand;
    bool showsG40Variants = false; // cmbG40 in place of the model label
    // Reports: "X" codes drive the binary indicators (CC, "G40-0000") rather than one line
    // per bit; channel letters B, C, D show on lines 3, 4, 2 ("450", "G18...", "G40..."
    // other than the binary G40 variants); "ME181" pulses "C01"/"C00" after an accepted coin.
    bool binaryReports = false;
    bool movesMiddleChannels = false;
    bool me181Pulse = false;
    // Switching output mode: the loom message before Binary ("435").
    bool removeLoomFirst = false;
};

// What the wizards do differently per model.
struct WizardQuirks {
    bool mars = false;
    bool twoSegmentsOnly = false; // "ME181": two 256-nibble segments, coin values asked for
    bool coinValue = false;       // the coin value box is shown
    bool nriLines = false;        // output and inhibit lines chosen with the coin
    // Where each measured parameter sits in the measurement reply, set for the chosen coin; the
    // models that have it read every measurement, slugs included, through a coin's map.
    std::optional<std::array<qint32, 6>> paramSlots;
    bool tubeValues = false; // coin values 13..16 are the mech's own (lowest value, tubes)
};

// One row of the table (familytable.cpp); a row sets only what its family does not share.
struct MechEntry {
    Family family = Family::None;
    QString model;
    MechKind kind = MechKind::Unknown;
    QByteArray interfaceCode;       // serial-mode code; empty for Mars and unknown models
    QByteArray secondInterfaceCode; // tried after a failed identification ("G10-4000/5": "$25")
    ModelShape shape;
    CcQuirks cc;
    MarsQuirks mars;
    NriQuirks nri;
    LimitRules limits;
    ValtestModel valtest;
    WizardQuirks wizard;

    bool isCc() const { return kind == MechKind::CcWord || kind == MechKind::Sentinel; }
    bool isNri() const { return kind == MechKind::NriOld || kind == MechKind::NriNew; }
};

// The entry of a family and model (exact, case-sensitive). Every Mars model name shares the
// Mars entry (ME181 has its own); an unknown CC model gets the word protocol with base 9 and
// stride 16; an unknown NRI model or family gets kind Unknown.
MechEntry mechEntry(Family family, const QString& model);

// The entry of a job's family and model, looked up again only when they change (a coin set or
// the G18 probe switches the model within a job).
class JobEntry {
public:
    const MechEntry& of(Family family, const QString& model)
    {
        if (!valid_ || entry_.family != family || entry_.model != model) {
            entry_ = mechEntry(family, model);
            valid_ = true;
        }
        return entry_;
    }

private:
    MechEntry entry_;
    bool valid_ = false;
};

// The models of a family tab, in their display order.
QStringList modelList(Family family);

// A job's model parameters: the shape and the parameter names.
struct ModelParams {
    int paramCount = 0;
    int coinCount = 0;
    int coinsPerSegment = 0;
    int segmentCount = 0;
    int memorySize = 0;
    QString paramNames[7]; // index k names parameter k+1; index 6 is never set
};

// Names are reset to the defaults ("Parameter1".."Parameter6") on every call; an unknown CC or
// NRI model keeps the previous numbers, any other family changes only the names. Text lookups
// may throw to the caller's trap.
void setMechParameters(ModelParams& params, Family family, const QString& model, const TextTable& texts);

// The scratch dump's file name: the model with "temp.txt" appended, any "/" written as "-"
// ("G10-4000/5" -> "G10-4000-5temp.txt"), since the name must stay one file in the folder.
QString scratchFileName(const QString& model);

} // namespace quenby
