#pragma once
// A coin set file (".cst") read and checked as a whole before a run sends anything: the header,
// the Mars PROM line and every record, each field checked for the job's model. The result is
// either every record, decoded into what the run stores, or one verdict naming the file, line
// and field; never part of a file.

#include "quenby/clonewizard/samplestats.h"
#include "quenby/link/familytable.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

namespace quenby {

class TextTable;

// The channel number of a coin name: "R03" and "Coin 12" by their last two characters, a name
// that begins with a digit by its leading number, "" and "Slug" 0, otherwise a position letter
// and bank digit ("A1" 1, "F1" 6, "A2" 7, "F4" 24; any other bank adds nothing). A leading
// number beyond 32 bits raises RuntimeError(6, "Overflow").
qint32 coinnumber(const QString& name);

// The file name of a path: what follows its last "/" or "\\".
QString fileNameOf(const QString& path);

// The chosen file name with its extension replaced by ".cst"; only the file name's own last "."
// counts, never one in a folder name. A name without "." stays as it is.
QString coinsetFilePath(const QString& chosen);
// Generic sets ("QZ..." in any case) carry a notice before they run; only the file name counts.
bool isGenericCoinset(const QString& path);

constexpr int kMaxGatheredRecords = 100; // rows the coin set tables hold
constexpr int kMaxCoinCount = 500;       // readings one record can hold
constexpr int kMaxLineLength = 4095;     // characters of one line
constexpr int kMaxReference = 12;

struct CoinsetHeader {
    QString mechType; // field 1 as it stands, e.g. "Mars.ME181"
    QString family;   // before its last "."
    QString model;    // after it
    QString title;
    QString refCode; // whole; the window shows and stores the first 5 characters
    QString version; // whole; the first 3
};

// Line 2 of a Mars set.
struct MarsPromLine {
    QString sizeText;
    bool size2K = false;                // sizeText ends in "2K"
    std::array<qint32, 4> segments{};   // check state 0 or 1 of PROM segments 1..4
    std::array<qint32, 6> idleLimits{}; // low and high idle value of sensors 1..3
    bool idleInRange(const std::array<qint32, 3>& idleValues) const;
};

enum class RecordType {
    CoinDrop,  // CD: coin to measure
    RefCoin,   // CR: windows from a reference coin's means
    CopyCoin,  // CO: channel keeps another channel's windows from the mech
    Slug,      // S
    Reference, // R
    Values,    // V
    Data,      // D with a key the program knows
    Other,     // any other record type or D key: skipped
};

// The rule of one parameter's two limits, as the run sets it up: the captions of the limit
// sources ("3*SD" .. "Fixed" for a coin, "Ref " and the source for a reference coin) and the
// offsets (the limit itself for "Fixed").
struct LimitRecipe {
    QString lowSource;
    qint32 lowValue = 0;
    QString highSource;
    qint32 highValue = 0;
    qint32 tolerance = 0; // flier tolerance, per cent
    qint32 reference = 0; // CR: the reference number the high source names
    bool operator==(const LimitRecipe&) const = default;
};

struct CoinsetRecord {
    int line = 0; // 1-based line of the file
    RecordType type = RecordType::Other;
    QString typeText;
    QString description;
    QString name;       // CD, CR, R, S (named slugs, else "Slug"); CO: the channel that keeps
    QString sourceName; // CO: the channel whose windows it keeps
    qint32 channel = 0; // coinnumber(name)
    qint32 sourceChannel = 0;
    qint32 count = 0;                // CD, S, R: coins to drop
    std::vector<LimitRecipe> limits; // CD, CR: per parameter
    std::vector<qint32> slugOffsets; // S: per parameter
    std::vector<qint32> tolerances;  // S, R: per parameter
    QString key;                     // D
    // V: the coin values of channels 1..16, then the multiple. D: the values as they are stored
    // ("120M" hex values already less 32768, "120N" values outside 1..6 already 0).
    std::vector<qint32> values;
    QStringList texts; // D: "P" data and route texts

    // Whether the run gathers coins for this record.
    bool gathers() const
    {
        return type == RecordType::CoinDrop || type == RecordType::Slug || type == RecordType::Reference;
    }
};

enum class CoinsetFault {
    Unreadable,
    Empty,
    LineTooLong,
    Truncated,  // a line the format needs is missing
    FieldCount, // a record with more or fewer fields than the model needs
    NotNumber,
    OutOfRange,     // a count, tolerance, segment state or value outside what it may be
    UnknownCoin,    // a name that is no channel of this model
    BadReference,   // a reference number outside 1..12
    BadSource,      // a limit source letter that names no rule
    BadHex,         // "120M" value "x" without 1..8 hex digits
    BadCoinData,    // NRI coin data the decoder cannot read
    TooManyRecords, // more gathered records than the tables hold
    NoCoinRecords,  // nothing would give a channel a window
};

struct CoinsetVerdict {
    CoinsetFault fault = CoinsetFault::Empty;
    QString fileName; // the file's name without its folder
    int line = 0;     // 1-based; 0 for the whole file
    int field = 0;    // 1-based; 0 for the whole line
    QString fieldName;
    QString value;  // the offending text, cut short
    QString detail; // what was expected
};

// The body of the "Coinset Error" box.
QString coinsetVerdictText(const CoinsetVerdict& v, const TextTable& texts);

struct CoinsetCheck {
    enum class Outcome {
        Accepted,
        // Line 1 names another family, or a model that family's list lacks: the run shows its
        // invalid type and maker messages; nothing else of the file was looked at. A file
        // that is not text (notText) names no family or model: the run says so in one message.
        HeaderRejected,
        Invalid,
    };
    Outcome outcome = Outcome::Invalid;
    CoinsetHeader header;               // Accepted and HeaderRejected
    bool notText = false;               // HeaderRejected: a file that is not text (control characters)
    std::optional<MarsPromLine> mars;   // Accepted, Mars
    std::vector<CoinsetRecord> records; // Accepted: every record line from line 3 in file order
    CoinsetVerdict verdict;             // Invalid

    bool accepted() const { return outcome == Outcome::Accepted; }
};

// Checks the lines of a coin set for a job of mechFamily (model from the file's line 1, which must
// be in the family's model list). fileName names the file in a verdict, whose texts come from
// `texts` (the built-in English without it).
CoinsetCheck checkCoinset(const QString& fileName, const QStringList& lines, Family mechFamily,
                          const TextTable& texts);
CoinsetCheck checkCoinset(const QString& fileName, const QStringList& lines, Family mechFamily);
// Reads the file (Windows-1252, CR LF or LF) and checks it; a file that cannot be read is Invalid.
CoinsetCheck readCoinsetFile(const QString& path, Family mechFamily, const TextTable& texts);
CoinsetCheck readCoinsetFile(const QString& path, Family mechFamily);

// What the checker asks of NRI coin data ("G13-6000P" and its kin) for a model of paramCount
// parameters and coinCount coins: hex digits wherever the decoder reads a digit or a pair, and
// the packed characters present. Returns the 1-based position of the first fault, or 0 when the
// text is good.
int nriCoinDataFault(const QString& data, int paramCount, int coinCount);
constexpr int kNriCoinDataLength = 108;

// Sets up the record being gathered from a CD, CR, S or R record, as the run does after its
// reset: limit sources, offsets, slug offsets, flier tolerances, record kind and mode. Records of
// other types change nothing.
void applyRecordSettings(const CoinsetRecord& r, RecordStats& s, std::array<qint32, 7>& flierTolerance, int paramCount);

} // namespace quenby
