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
// first and refuses to put them into another mech. Only the job changes the image, the serial
// number and whether changes are pending: the panels read the image and ask for named edits.

#include "ardwell/bench/clearing.h"
#include "ardwell/bench/coinsettings.h"
#include "ardwell/bench/models.h"
#include "ardwell/bench/windowpack.h"
#include "ardwell/link/frames.h"
#include "platform/dialogs.h"
#include "platform/progresssink.h"
#include "platform/services.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <set>

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

    const EepromImage& image() const { return image_; }
    // Of the mech last read, or of the file the adjust panel loaded last.
    const QString& mechSerialNumber() const { return mechSerialNumber_; }
    // A program that starts knows no mech.
    void forgetSerialNumber() { mechSerialNumber_.clear(); }

    // Edits of the programme panel: each is pending until a write has verified it.
    // The 340's coin value byte of channel coinIndex (0-based), kept to 0..255.
    void storeCoinValue(int coinIndex, qint64 value);
    // One coin's window cleared and the coin inhibited; every window of the model cleared.
    void clearWindow(int coin);
    void clearAllWindows();
    // The window learned from the gathered coins, into the record of the channel the item names.
    WindowPackResult storeLearnedWindow(const QString& channelItem, const BenchState& b);

    // Edits of the adjust panel: its "Write to Mech" writes them, its "Cancel Changes" drops
    // them. They are pending apart from imageModified (a copy alone leaves that as it was): none
    // asks to be written on the way out of programme mode, EXIT offers them. Each is pending only
    // when it changed a word of the image (a coin's store: beyond storing it as it was read).
    // One coin's settings (a field that cannot be stored is reported through fieldError and
    // keeps its old value).
    void storeCoinSettings(int coin, CoinSettings& s, HeldWindow held, int percent,
                           const std::function<void(const std::exception&)>& fieldError);
    // A whole image file's words, its serial number words too (which the write reads again).
    void loadFile(const QStringList& lines);
    // The settings words of an image file; the serial number and the windows stay this mech's.
    void copySettingsFrom(const QStringList& lines);

    // Sets word a as a mech state would have it, nothing else; for tests only.
    void setWordForTest(int a, int word) { image_[std::size_t(a)] = word; }

    // Edits not yet written and verified.
    bool imageModified() const { return modified_; }
    // Edits of the adjust panel not yet written and verified.
    bool adjustEditsPending() const { return adjustEdits_; }
    // A coin data run that learned a window: pending from then on, whether or not its record
    // can be stored. Every other edit is one of the named ones above.
    void markModified() { modified_ = true; }
    // The user chose not to write the changes (or none can be there): nothing is pending.
    void dropChanges() { modified_ = adjustEdits_ = false; }
    // The serial number of the mech the image was read from ("" when no whole read succeeded).
    const QString& readFrom() const { return readFrom_; }

    // "&", the model's whole range, "%", into an image that starts empty: words beyond the
    // model's EEPROM are 0, never those of an earlier mech or file. The image then belongs to this
    // mech with nothing pending. False when the logon failed, a reply failed its checks or a word
    // of the range could not be read.
    bool readMechEeprom();
    // Reads first..last (each taken to 0..255) into the image; false only when the logon failed.
    bool readEepromRange(int first, int last);
    // Writes the model's write range, mode 1 the whole EEPROM, mode 0 words 0..214 of a 126.
    // Under the write's own logon it first re-reads the serial number's two words (3 and 4; 2
    // and 3 on a 126) and refuses (a box, nothing written) when one cannot be read or they are
    // not the serial number of the mech the image was read from; then it clears the word after
    // the serial number and writes. Only a run written and verified clears the pending changes.
    WriteResult programmeMechCommand(int mode);
    // Writes first..last with up to 200 tries a word, then verifies the model's whole range.
    // Failed when the run did not write every word or could not verify them (or, with ownMech,
    // the mech in the box is not the one the image was read from); lastWrite() keeps it for
    // whoever asks after the click.
    WriteResult writeEepromRange(int first, int last, bool ownMech = false);
    WriteResult lastWrite() const { return lastWrite_; }
    // A write run (its serial number read, words and verify, boxes included) is under way.
    bool writing() const { return writeRuns_ > 0; }
    // Reads first..last back and compares them with the image; the image is the same after.
    // Written only when every word was read back as meant: a word that differs, a word that
    // cannot be read, Cancel at a verify box, a lost port or a verify that cannot log on fail it.
    WriteResult verifyEepromRange(int first, int last);
    // Takes mechSerialNumber from the image, shows its backup name and writes Backup/<name>.txt
    // unless that file exists. A Backup folder that cannot be made is reported, and the job goes
    // on without a backup.
    void autosaveEeprom();

    // Messages of the job, exactly as shown. halfWritten: a write of this session may have left
    // the mech half-written, so the box does not say that nothing was written.
    static QString unreadWordText(int address, bool halfWritten = false);
    static QString notVerifiedText();
    static QString otherMechText(const QString& readFrom, const QString& inBox, bool halfWritten = false);
    // Added to the box of a write that gave up after its first word went out.
    static QString halfWrittenText();

private:
    int box(const QString& text, int style = plat::mb::Critical | plat::mb::OKOnly,
            const QString& title = QStringLiteral("Error"));
    void progress(int a, int first, int last);
    // Word a of the range first..last, read with the link's retries; a word that could not be
    // read is reported and gives -1.
    int readRangeWord(int a, int first, int last);
    // With the mech logged on: re-reads the serial number's words into the image. False, with a
    // box and the pending serial number words back, when the mech is not the image's own.
    bool readMechSerialNumber();
    // After an edit of the adjust panel: pending when a word differs from `unedited`.
    void noteAdjustEdit(const EepromImage& unedited);

    Link& link_;
    plat::View& view_;
    LinkState& st_;
    plat::Services svc_;
    plat::ProgressSink& progress_;
    EepromImage image_{};
    QString mechSerialNumber_;
    WriteResult lastWrite_ = WriteResult::Written;
    bool modified_ = false;
    bool adjustEdits_ = false;
    QString readFrom_;
    int writeRuns_ = 0;
    // Serial numbers of the mechs a write of this session stopped part-way in, until a write
    // puts every word of the range into them.
    std::set<QString> halfWritten_;
};

} // namespace ardwell
