#pragma once
// The memory windows' data files: where their dialogs open and what name a chosen file gets,
// the CC EEPROM data file (one line a word: address, comma, value, decimal), and reading NRI
// data files (the writer is nridatafile.h) together with the records programming sends from
// them.
//
// A file is checked whole before anything is used: a reader gives the image or the lines, or
// one refusal that names the line and what is wrong with it, so a bad file is refused before
// the user is asked to confirm and before anything is sent.

#include "quenby/link/familytable.h"
#include "quenby/link/images.h"
#include "quenby/link/nriwire.h"

#include "platform/runtimeerror.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace plat {
class Dialogs;
}

namespace quenby {

class TextTable;
struct ModelParams;

// ---- names ----

// <program folder>/CoinSets/, where the four dialogs open.
QString coinSetsFolder(const QString& programFolder);
// The file a save dialog's choice is written to: the extension of the file name (from its last
// ".") is replaced by ".txt", a file name without "." gets ".txt"; one that ends in ".txt" in any
// case ("COINS.TXT") is kept as it is. A dot in a folder name does not count.
QString savedDataFileName(const QString& chosen);
// The file an open dialog's choice is read from: the same, but a file name without "." is used
// as it stands.
QString openedDataFileName(const QString& chosen);

enum class DataFileDialog {
    EepromSave, // "File Save" (717)
    EepromOpen, // "Open File"
    NriSave,    // "File Save" (917)
    NriOpen,    // "File Open" (903)
};
// Shows the dialog with the filter "*.txt" in the CoinSets folder and gives the file to write or
// read by the rules above; empty when the user cancelled.
QString chooseDataFile(plat::Dialogs& dialogs, const TextTable& texts, DataFileDialog which,
                       const QString& programFolder);

// ---- verdicts ----

// Error numbers of a refusal, as the error box shows them after the description.
namespace fileerr {
constexpr int kMalformed = 13;   // not the file's layout: a field, a quote, a character, a length
constexpr int kOutOfRange = 9;   // an address or record number the memory does not have
constexpr int kOverflow = 6;     // a word above 65535
constexpr int kMissing = 62;     // an address or record the file must hold and does not
constexpr int kTooLarge = 7;     // a file over 64 KiB
} // namespace fileerr

constexpr qint64 kMaxDataFileBytes = 64 * 1024;
constexpr int kMaxDataFileLine = 512;

struct FileRefusal {
    int line = 0; // 1-based line of the file; 0 when the fault is not one line
    QString reason;
    int errorNumber = 0;
    // "line n: reason", or the reason alone; never over the 50 characters an error box shows.
    QString description() const;
    // For the error trap of the job (705, 914).
    plat::RuntimeError error() const { return {errorNumber, description()}; }
};

template <class T>
struct FileVerdict {
    std::optional<T> value;
    FileRefusal refusal;
    bool ok() const { return value.has_value(); }
};

// ---- CC EEPROM data file ----

// Accepts exactly the addresses 0 .. memorySize - 1, each once and in any order, each with a
// value 0..65535; blanks around a field and blank lines are allowed. The image holds the file's
// words and 0 beyond them.
FileVerdict<Image> parseEepromDataFile(const QByteArray& bytes, int memorySize);
// The same for a file; a file that cannot be read is refused with 53 or 75.
FileVerdict<Image> readEepromDataFile(const QString& path, int memorySize);

// Writes words 0 .. memorySize - 1 of readImage, whole or not at all (a failed write keeps the
// old file). Refused with plat::RuntimeError(5) when readImage does not hold the whole memory of
// `model`: the words a read did not reach are 0 and would programme cleanly later. A failed
// write raises plat::RuntimeError(75) with the reason.
void writeEepromDataFile(const QString& path, const MemoryImages& images, const QString& model, int memorySize);

// ---- NRI data file ----

struct NriFileRecords {
    // Records 1..28 the file names (index 0 unused); a record named twice keeps the later text.
    std::array<std::optional<QString>, 29> text;
    std::array<int, 29> fileLine{}; // the line each record was last read from
};

// Lines: a record number 1..28, a comma and the text: from the first quote after the comma to
// the last quote of the line, or without quotes the rest of the line without its outer blanks.
// Blank lines are skipped; a file without records is refused.
FileVerdict<NriFileRecords> parseNriDataFile(const QByteArray& bytes);
FileVerdict<NriFileRecords> readNriDataFile(const QString& path);

// The data lines programming sends from a file: `current` with the file's records over it. The
// lines not named stay only when `current` is this mech's own memory; otherwise the file must
// name all 28. Every line programming sends must be a record the model holds: on the newer
// models even-length hex, never empty (but for a record the model's read never fills), of the
// record's length where programming writes that record itself (the date, the limits, outputs,
// values, inhibits, parameter map, compensation); on the older ones 24 digits a coin line, the
// value line's digits (21, or on the G10 59 characters of which the 48 after the header are
// digits) and the date as dd/mm/yy.
FileVerdict<std::array<QString, 33>> nriLinesToProgramme(const NriFileRecords& file, const MechEntry& entry,
                                                         const ModelParams& params,
                                                         const std::array<QString, 33>& current,
                                                         bool currentIsThisMech);

// Why data line n (1..28) is not a record of this model as programming sends it or its read
// returns it (empty, not even-length hex, not the record's length, not the older models' digits),
// naming the record; empty when it is one (or is never sent).
QString nriLineFault(const MechEntry& entry, const ModelParams& params, int n, const QString& line);

// "Save to File" of the NRI memory window: lines 1..28 written whole or not at all. Refused
// with plat::RuntimeError (5) unless the lines are a whole memory of this model (a complete read
// of it, or a file checked for it), and (13, naming the record) when a line is one the file
// check above would refuse; nothing is written then.
void writeNriMemoryFile(const QString& path, const NriReadTables& nri, const MechEntry& entry,
                        const ModelParams& params);

// What programming from data lines sends, in order. Newer models: block i = "Z" + two hex
// digits with line i + 1, the bar at i * 16 / blocks before it, 500 ms after it, and no block
// after one that failed. Older models: 200 ms, then per coin i "D" with i + 1, the first and
// the last 12 characters of line i + 1 (each ended by CR), the bar at i * 16 / 7 before and
// 400 ms after; the closing record ("B" line C + 1 CR, or on the G10 "F" line C + 1 "::" CR),
// 400 ms, and "E" line C + 2 CR. A model of neither kind has no steps. Lines that cannot be sent
// whole (odd length on a newer model) refuse the plan.
NriProgramPlan nriFileProgramPlan(const MechEntry& entry, const ModelParams& params,
                                  const std::array<QString, 33>& lines);

} // namespace quenby
