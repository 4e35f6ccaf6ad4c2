#pragma once
// The EEPROM job of the second program: reading the mech's whole EEPROM into the image, the
// serial number, writing the model's write range with retries, verifying the whole EEPROM, and
// the first-seen backup of every mech read.
//
// The job owns the image: the link hands it every word the mech sends, late ones too. Words whose
// read failed hold -1. Such a word is never written back: a partial image fails the read (no
// backup is made of it) and a write refuses it before it logs on.
//
// Edits to the image are pending until a write has put them into the mech and read them back.
// They belong to the mech the image was read from: every write re-reads the mech's serial number
// first and refuses to put them into another mech. Only the job says whether changes are pending.

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
    QString mechSerialNumber; // of the mech last read

    // Edits not yet written and verified.
    bool imageModified() const { return modified_; }
    // After a panel's edit of the image.
    void markModified() { modified_ = true; }
    // The user chose not to write the changes (or none can be there): nothing is pending.
    void dropChanges() { modified_ = false; }
    // The serial number of the mech the image was read from ("" when no whole read succeeded).
    const QString& readFrom() const { return readFrom_; }

    // "&", the model's whole range, "%", into an image that starts empty: words beyond the
    // model's EEPROM are 0, never those of an earlier mech or file. The image then belongs to this
    // mech with nothing pending. False when the logon failed, a reply failed its checks or a word
    // of the range could not be read.
    bool readMechEeprom();
    // Reads first..last (each taken to 0..255) into the image; false only when the logon failed.
    bool readEepromRange(int first, int last);
    // Re-reads the model's two serial number words (3 and 4; 2 and 3 on a 126) into the image and
    // takes mechSerialNumber from them. Words it could not read hold -1 afterwards.
    void readMechSerialNumber();
    // Re-reads the serial number, and refuses (a box, nothing sent to the mech's memory) when a
    // word of it cannot be read or it is not the serial number of the mech the image was read
    // from; then clears the word after the serial number and writes the model's write range:
    // mode 1 the whole EEPROM, mode 0 words 0..214 of a 126. Only a run written and verified
    // clears the pending changes.
    WriteResult programmeMechCommand(int mode);
    // Writes first..last with up to 200 tries a word, then verifies the model's whole range.
    // Failed when the run did not write every word or could not verify them; lastWrite() keeps
    // it for whoever asks after the click.
    WriteResult writeEepromRange(int first, int last);
    WriteResult lastWrite() const { return lastWrite_; }
    // Reads first..last back and compares them with the image; the image is the same after.
    // Written only when every word was read back as meant: a word that differs, a word that
    // cannot be read, Cancel at a verify box, a lost port or a verify that cannot log on fail it.
    WriteResult verifyEepromRange(int first, int last);
    // Takes mechSerialNumber from the image, shows its backup name and writes Backup/<name>.txt
    // unless that file exists. A Backup folder that cannot be made is reported, and the job goes
    // on without a backup.
    void autosaveEeprom();

    // Messages of the job, exactly as shown.
    static QString unreadWordText(int address);
    static QString notVerifiedText();
    static QString otherMechText(const QString& readFrom, const QString& inBox);
    // Added to the box of a write that gave up after its first word went out.
    static QString halfWrittenText();

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
    bool modified_ = false;
    QString readFrom_;
};

} // namespace ardwell
