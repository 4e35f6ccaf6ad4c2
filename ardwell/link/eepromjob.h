#pragma once
// The EEPROM job of the second program: reading the mech's whole EEPROM into the image, the
// serial number, writing the model's write range with retries, verifying the whole EEPROM, and
// the first-seen backup of every mech read.
//
// The job owns the image: the link hands it every word the mech sends, late ones too. Words whose
// read failed hold -1. Such a word is never written back: a partial image fails the read (no
// backup is made of it) and a write refuses it before it logs on.

#include "ardwell/bench/models.h"
#include "ardwell/link/frames.h"
#include "platform/dialogs.h"
#include "platform/progresssink.h"
#include "platform/services.h"

#include <QString>

namespace ardwell {

class Link;
struct LinkState;

// How a write run ended: every word written and the mech read back, or not.
enum class WriteResult { Written, Failed };

// The word after the serial number, set to 0 before every write: 4 on a 126, else 5.
int wordAfterSerial(Model m);

class EepromJob {
public:
    EepromJob(Link& link, plat::View& view, const plat::Services& services, plat::ProgressSink& progress);

    Model model() const;

    EepromImage image{};
    bool imageModified = false; // edits not yet written
    QString mechSerialNumber;   // of the mech last read

    // "&", the model's whole range, "%". False when the logon failed, a reply failed its checks
    // or a word of the range could not be read.
    bool readMechEeprom();
    // Reads first..last (each taken to 0..255) into the image; false only when the logon failed.
    bool readEepromRange(int first, int last);
    // Re-reads words 2..4 into the image and takes mechSerialNumber from them. Words it could
    // not read hold -1 afterwards, so the write that follows refuses them.
    void readMechSerialNumber();
    // Clears the word after the serial number and writes the model's write range: mode 1 the
    // whole EEPROM, mode 0 words 0..214 of a 126. A run that stopped, or went unverified, keeps
    // imageModified.
    WriteResult programmeMechCommand(int mode);
    // Writes first..last with up to 200 tries a word, then verifies the model's whole range.
    // Failed when the run did not write every word or could not verify them; lastWrite() keeps
    // it for whoever asks after the click.
    WriteResult writeEepromRange(int first, int last);
    WriteResult lastWrite() const { return lastWrite_; }
    // Reads first..last back and compares them with the image; the image is the same after.
    // A verify that cannot log on fails: a write that was not checked has failed. Words that
    // differ are shown one by one and do not fail the run.
    WriteResult verifyEepromRange(int first, int last);
    // Takes mechSerialNumber from the image, shows its backup name and writes Backup/<name>.txt
    // unless that file exists. A Backup folder that cannot be made is reported, and the job goes
    // on without a backup.
    void autosaveEeprom();

    // Messages of the job, exactly as shown.
    static QString unreadWordText(int address);
    static QString notVerifiedText();

private:
    int box(const QString& text, int style = plat::mb::Critical | plat::mb::OKOnly,
            const QString& title = QStringLiteral("Error"));
    void progress(int a, int first, int last);
    // Word a of the range first..last, read with the link's retries; a word that could not be
    // read is reported and gives -1.
    int readRangeWord(int a, int first, int last);

    Link& link_;
    plat::View& view_;
    LinkState& st_;
    plat::Services svc_;
    plat::ProgressSink& progress_;
    WriteResult lastWrite_ = WriteResult::Written;
};

} // namespace ardwell
