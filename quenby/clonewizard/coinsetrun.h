#pragma once
// "Run Coinset File": a coin set file checked as a whole, then record by record the coins asked
// for, gathered with live statistics, thinned of fliers and stored, the measurement log written
// as it goes, and the transfer at the end.

#include "quenby/clonewizard/coinsetfile.h"
#include "quenby/clonewizard/cointables.h"

#include <QString>
#include <functional>

namespace quenby {

class CloneWizard;
struct CloneContext;

// A Mars run or wizard begins: the model's timings, the box into measuring ("M", "I"), and on the
// models that need it "W", "CFD" and "J" as well.
void startMarsMeasuring(CloneContext& c, const QString& model);

// The mech's idle readings ("Y") after the model's settling pause. Values left from an earlier
// answer are cleared first, so a box that does not answer leaves none to pass for this mech's.
void readMarsIdles(CloneContext& c);

// The gather prompt of a record.
QString gatherPromptTitle(const QString& description);
QString gatherPromptText();

class CoinsetRun {
public:
    explicit CoinsetRun(CloneWizard& w) : w_(w) {}

    void cmdOpenCoinset_Click();

    enum class Gathered {
        Stored, // YES, gathered and stored in the next record row
        Kept,   // NO: the channel keeps the mech's windows
        Cleared, // CANCEL: the channel has none
        Stopped, // the user ended the run
    };
    // One CD, S or R record: asked for, gathered and stored. Reported under 495.
    Gathered gatherCoinData(const QString& name, const QString& description, int mode);

    // The gathering loop of one record on `channel`: measurement started, samples taken until
    // none is wanted or the user ends it, then the fliers; again while they ask for more coins.
    void gatherSamples(int channel);
    // The next record row of coinsetRecords and coinsetStats from the statistics gathered, its
    // limits too when storeLimits; the statistics rows of the log.
    void storeRecord(int mode, qint32 channel, bool storeLimits);

    // Asks for the measurement log; false when no file is open for writing.
    bool openLogFile();
    // Appends rows to the measurement log while it is on. A write that fails raises for the
    // caller's trap.
    void log(const QStringList& rows);
    void logCoinStats();

private:
    bool checkFile(const QString& path, CoinsetCheck& check);
    void runRecords(const CoinsetCheck& check);
    void record(const CoinsetRecord& r);
    bool marsPromLine(const MarsPromLine& m);
    void endRun(bool idlesOk);

    CloneWizard& w_;
};

} // namespace quenby
