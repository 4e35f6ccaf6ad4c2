#include "ardwell/link/eepromjob.h"

#include "ardwell/bench/wordmap.h"
#include "ardwell/link/imagefile.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/dialogs.h"
#include "platform/reentryguard.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <QDir>
#include <algorithm>
#include <array>

namespace ardwell {

namespace {

// The caption beside the bar, the bar at 0, both shown.
void startProgress(plat::ProgressSink& p, const QString& caption)
{
    p.setCaption(caption);
    p.setStep(0);
    p.show();
}

constexpr int kWriteTries = 200;
constexpr int kShadowWords = 512; // words 0..511 are compared against and put back

namespace ctx {
const QString ReadMech = QStringLiteral("Error Reading Mech command routine : ");
const QString ReadRange = QStringLiteral("Error Reading Mech Memory routine : ");
const QString Programme = QStringLiteral("Error Programming Mech command routine : ");
const QString WriteRange = QStringLiteral("Error Programming Mech memory routine : ");
const QString Verify = QStringLiteral("Error Verifying EEPROM routine : ");
const QString Autosave = QStringLiteral("Error Autosave EEPROM routine : ");
} // namespace ctx

// How a refused write ends its box: a mech this session may have half-written is not said to
// hold nothing of it.
QString nothingWritten(bool halfWritten)
{
    return halfWritten ? QStringLiteral("\r\n\r\nNothing more written: the Coin mech may still be half-written "
                                        "from the write before")
                       : QStringLiteral("\r\n\r\nNothing written");
}

} // namespace

int wordAfterSerial(Model m) { return serialWord(m) + 2; }

QString EepromJob::unreadWordText(int address, bool halfWritten)
{
    return QStringLiteral("Memory address ") + plat::hex4(address) + QStringLiteral(" was not read from the Coin mech") +
           nothingWritten(halfWritten);
}

QString EepromJob::notVerifiedText() { return QStringLiteral("Verify Failed : Coin mech not verified"); }

QString EepromJob::otherMechText(const QString& readFrom, const QString& inBox, bool halfWritten)
{
    return QStringLiteral("The Coin mech in the box is not the one these changes were read from\r\n\r\n"
                          "Serial number of the changes: ") +
           readFrom + QStringLiteral("\r\nSerial number of this Coin mech: ") + inBox + nothingWritten(halfWritten);
}

QString EepromJob::halfWrittenText()
{
    return QStringLiteral("\r\n\r\nThe Coin mech may be half-written: write it again");
}

EepromJob::EepromJob(Link& link, plat::View& view, const plat::Services& services, plat::ProgressSink& progress)
    : link_(link), view_(view), st_(link.state()), svc_(services), progress_(progress)
{
    link_.onWord = [this](int address, int word) { image_[std::size_t(address)] = word; };
}

Model EepromJob::model() const { return currentModel(view_); }

void EepromJob::storeCoinValue(int coinIndex, qint64 value)
{
    setCoinValueByte(image_, coinIndex, value);
    modified_ = true;
}

void EepromJob::clearWindow(int coin)
{
    clearOneChannel(image_, model(), coin);
    modified_ = true;
}

void EepromJob::clearAllWindows()
{
    clearAllChannels(image_, model());
    modified_ = true;
}

WindowPackResult EepromJob::storeLearnedWindow(const QString& channelItem, const BenchState& b)
{
    const WindowPackResult r = programmeCoinWindow(image_, model(), channelItem, b);
    if (r.stored())
        modified_ = true;
    return r;
}

void EepromJob::storeCoinSettings(int coin, CoinSettings& s, HeldWindow held, int percent,
                                  const std::function<void(const std::exception&)>& fieldError)
{
    const Model m = model();
    // A store also tidies what the panel never shows (lines G and H, a short model's upper
    // channels): that is no edit of the user's. Pending is what differs from the coin stored
    // as it was read.
    EepromImage unedited = image_;
    CoinSettings asRead;
    HeldWindow heldAsRead;
    if (decodeCoin(unedited, m, coin, asRead, heldAsRead))
        encodeCoin(unedited, m, coin, asRead, heldAsRead, 100);
    encodeCoin(image_, m, coin, s, held, percent, fieldError);
    noteAdjustEdit(unedited);
}

void EepromJob::loadFile(const QStringList& lines)
{
    const EepromImage before = image_;
    loadImageLines(image_, lines);
    noteAdjustEdit(before);
    mechSerialNumber_ = serialNumber(image_, model());
}

void EepromJob::copySettingsFrom(const QStringList& lines)
{
    const EepromImage before = image_;
    copyConfiguration(image_, model(), lines);
    noteAdjustEdit(before);
}

void EepromJob::noteAdjustEdit(const EepromImage& unedited)
{
    // A coin stored as it was read, or a file of the same words, leaves nothing to write.
    if (image_ != unedited)
        adjustEdits_ = true;
}

int EepromJob::box(const QString& text, int style, const QString& title)
{
    return svc_.dialogs->msgBox(text, style, title);
}

void EepromJob::progress(int a, int first, int last)
{
    if (last > first)
        progress_.setStep(int(qint64(a - first) * plat::ProgressSink::kSteps / (last - first)));
}

int EepromJob::readRangeWord(int a, int first, int last)
{
    progress(a, first, last);
    const int w = link_.readMemoryRetry(a).word;
    if (w < 0)
        box(QStringLiteral("Too many retries reading Memory address ") + plat::hex4(a));
    return w;
}

bool EepromJob::readMechEeprom()
{
    bool ok = false;
    plat::trap(
        [&] {
            // Whatever the image held (another mech, a loaded file) is not this mech's.
            image_.fill(0);
            modified_ = adjustEdits_ = false;
            readFrom_.clear();
            link_.boxCmdAmp();
            const int top = eepromTop(model());
            ok = readEepromRange(0, top);
            if (st_.commsError)
                ok = false;
            // A word that could not be read would be backed up, shown and written back as FFFF.
            for (int a = 0; a <= top; ++a)
                if (image_[a] < 0)
                    ok = false;
            link_.boxCmdPercent();
            if (ok)
                readFrom_ = serialNumber(image_, model());
        },
        [&](const std::exception& e) { link_.showError(ctx::ReadMech, e); });
    return ok;
}

bool EepromJob::readEepromRange(int first, int last)
{
    bool ok = false;
    plat::trap(
        [&] {
            link_.startupPort();
            first &= 255;
            last &= 255;
            link_.logon();
            if (!st_.mechLoggedOn)
                return;
            startProgress(progress_, QStringLiteral("Reading EEPROM"));
            for (int a = first; a <= last; ++a) {
                const int w = readRangeWord(a, first, last);
                if (w >= 0)
                    image_[a] = w;
                else if (!link_.portUsable())
                    break; // the port went away: the words after stay as they were, the read fails
            }
            progress_.hide();
            ok = true;
        },
        [&](const std::exception& e) { link_.showError(ctx::ReadRange, e); });
    return ok;
}

bool EepromJob::readMechSerialNumber()
{
    const Model m = model();
    const int sw = serialWord(m);
    const std::array<int, 2> pendingSerial{image_[sw], image_[sw + 1]};
    // Unread until read again: words the mech does not give must not stay the pending ones, to
    // be taken for this mech's serial number. Only the serial number's own words: the word
    // before it is a setting a copy may carry.
    image_[sw] = image_[sw + 1] = -1;
    startProgress(progress_, QStringLiteral("Reading EEPROM"));
    for (int a = sw; a <= sw + 1; ++a) {
        const int w = readRangeWord(a, sw, sw + 1);
        if (w >= 0)
            image_[a] = w;
        else if (!link_.portUsable())
            break;
    }
    progress_.hide();
    const QString inBox = serialNumber(image_, m);
    const int unread = image_[sw] < 0 ? sw : image_[sw + 1] < 0 ? sw + 1 : -1;
    if (unread < 0 && inBox == readFrom_) {
        mechSerialNumber_ = inBox;
        return true;
    }
    // The changes stay as they were, for the mech they belong to.
    box(unread >= 0 ? unreadWordText(unread, !halfWritten_.empty())
                    : otherMechText(readFrom_, inBox, halfWritten_.count(inBox) > 0));
    image_[sw] = pendingSerial[0];
    image_[sw + 1] = pendingSerial[1];
    mechSerialNumber_ = serialNumber(image_, m);
    return false;
}

WriteResult EepromJob::programmeMechCommand(int mode)
{
    WriteResult result = WriteResult::Failed;
    const plat::CountScope run(writeRuns_);
    plat::trap(
        [&] {
            link_.boxCmdPercent();
            link_.boxCmdPercent();
            const Model m = model();
            // Mode 0 on a 126 leaves its words above 214 as they are.
            result = writeEepromRange(0, mode == 1 ? eepromTop(m) : modelEntry(m).programmeTop, true);
            // A write that stopped or went unverified leaves the mech short of the changes:
            // they stay pending.
            if (result == WriteResult::Written)
                modified_ = adjustEdits_ = false;
        },
        [&](const std::exception& e) {
            lastWrite_ = WriteResult::Failed;
            link_.showError(ctx::Programme, e);
        });
    return result;
}

WriteResult EepromJob::writeEepromRange(int first, int last, bool ownMech)
{
    WriteResult result = WriteResult::Failed;
    const plat::CountScope run(writeRuns_);
    plat::trap(
        [&] {
            first = std::clamp(first, 0, kImageTop);
            last = std::clamp(last, 0, kImageTop);
            for (int a = first; a <= last; ++a) {
                if (image_[a] < 0) {
                    box(unreadWordText(a, !halfWritten_.empty()));
                    return;
                }
            }

            const int word0 = image_[0];
            link_.readMemory(0);
            image_[0] = word0;

            link_.boxCmdAmp();
            link_.logon();
            if (!st_.mechLoggedOn) {
                if (ownMech)
                    box(unreadWordText(serialWord(model()), !halfWritten_.empty()));
                return;
            }
            // The serial number is read under the write's own logon: one logon for the run.
            if (ownMech) {
                if (!readMechSerialNumber()) {
                    link_.boxCmdPercent();
                    return;
                }
                image_[wordAfterSerial(model())] = 0;
            }
            const QString caption = QStringLiteral("Writing EEPROM");
            startProgress(progress_, caption);
            // A port lost before the run is written and read back leaves the mech half-written or
            // unverified, and says so.
            const plat::CountScope writing = link_.writing();
            // Half-written until every word of the run is in and read back; a run whose first
            // word went nowhere leaves the mech as it was.
            const QString mech = readFrom_;
            const bool wasHalfWritten = halfWritten_.count(mech) > 0;
            halfWritten_.insert(mech);
            bool stopped = false;
            bool touched = false;
            for (int a = first; a <= last && !stopped; ++a) {
                progress(a, first, last);
                WriteReply reply = WriteReply::NoReply;
                for (int attempt = 0; attempt < kWriteTries && reply != WriteReply::Written; ++attempt) {
                    // A mech that stopped answering shows as such, not as a frozen bar (the
                    // caption fits the progress label at the last try).
                    if (attempt > 0)
                        progress_.setCaption(QStringLiteral("Retry ") + plat::hex4(a) + QStringLiteral(", try ") +
                                             QString::number(attempt + 1));
                    reply = link_.writeMemory(a, image_[a]);
                    if (reply != WriteReply::Written && !link_.portUsable())
                        break;
                }
                if (reply == WriteReply::Written) {
                    progress_.setCaption(caption);
                    continue;
                }
                if (reply == WriteReply::Refused)
                    box(QStringLiteral("Error Writing EEPROM :") + plat::hex4(a));
                // Words went in before this one, or this one went unanswered and may have too.
                touched = a > first || reply == WriteReply::NoReply;
                box(QStringLiteral("Too many retries on Memory Write to Address ") + plat::hex4(a) +
                    (touched ? halfWrittenText() : QString()));
                stopped = true;
            }
            progress_.hide();
            if (stopped && !touched && !wasHalfWritten)
                halfWritten_.erase(mech);
            if (!stopped)
                result = verifyEepromRange(0, eepromTop(model()));
            // Every word went out, but only a read-back that found them all says the mech holds
            // them: after one that did not, it is neither as read nor as meant.
            if (result == WriteResult::Written)
                halfWritten_.erase(mech);
        },
        [&](const std::exception& e) { link_.showError(ctx::WriteRange, e); });
    return lastWrite_ = result;
}

WriteResult EepromJob::verifyEepromRange(int first, int last)
{
    WriteResult result = WriteResult::Failed;
    std::array<int, kShadowWords> shadow{};
    bool taken = false;
    auto restore = [&] {
        // The image is what the user wants in the mech; the read-back only checks it.
        if (taken)
            std::copy(shadow.begin(), shadow.end(), image_.begin());
        taken = false;
    };
    plat::trap(
        [&] {
            link_.startupPort();
            link_.boxCmdAmp();
            link_.logon();
            if (!st_.mechLoggedOn) {
                // Nothing was checked: the run failed, and its changes stay pending.
                box(notVerifiedText());
                return;
            }
            first = std::clamp(first, 0, kShadowWords - 1);
            last = std::clamp(last, 0, kShadowWords - 1);
            std::copy(image_.begin(), image_.begin() + kShadowWords, shadow.begin());
            taken = true;
            std::fill(image_.begin(), image_.begin() + kShadowWords, -1);
            startProgress(progress_, QStringLiteral("Checking EEPROM"));
            int errors = 0;
            for (int a = first; a <= last; ++a) {
                const int w = readRangeWord(a, first, last);
                if ((shadow[a] & 0xFFFF) != w) {
                    ++errors;
                    const int answer = box(QStringLiteral("Verify Error Address : ") + plat::hex4(a),
                                           plat::mb::Critical | plat::mb::OKCancel, QStringLiteral("Error"));
                    if (answer == plat::mb::Cancel)
                        break;
                }
                if (w < 0 && !link_.portUsable())
                    break;
            }
            restore();
            progress_.hide();
            if (errors == 0) {
                result = WriteResult::Written;
                box(QStringLiteral("Verify OK"), plat::mb::Information | plat::mb::OKOnly, QStringLiteral("Verify"));
            } else {
                box(QStringLiteral("Verify Failed : ") + plat::str(errors) +
                    QStringLiteral(" Errors\r\n\r\nThe Coin mech does not hold the changes: they are kept, "
                                   "write them again"));
            }
            link_.boxCmdPercent();
        },
        [&](const std::exception& e) {
            restore();
            link_.showError(ctx::Verify, e);
        });
    return result;
}

void EepromJob::autosaveEeprom()
{
    mechSerialNumber_ = serialNumber(image_, model());
    plat::trap(
        [&] {
            const auto noBackup = [&](const QString& why) {
                box(ctx::Autosave + QStringLiteral("\r\n\r\n") + why +
                        QStringLiteral("\r\n\r\nNo backup made of this Coin mech"),
                    plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error detected"));
            };
            const QString folder = QDir(svc_.env->programFolder()).filePath(QStringLiteral("Backup"));
            // A Backup that links elsewhere would put the backups (and overwrite files) there.
            const std::optional<QString> folderRefused = backupFolderRefusal(folder);
            if (!folderRefused && !link_.dirExists(folder))
                QDir().mkpath(folder);
            if (folderRefused || !link_.dirExists(folder)) {
                // No folder (a file of its name, a program folder closed to new ones): no backup
                // and no serial shown, said once; the job goes on.
                noBackup(folderRefused.value_or(QStringLiteral("The folder ") + QDir::toNativeSeparators(folder) +
                                                QStringLiteral(" cannot be created")));
                return;
            }
            view_.setText(QStringLiteral("lblSerNo"), backupName(mechSerialNumber_));
            view_.setVisible(QStringLiteral("lblSerNo"), true);
            view_.setVisible(QStringLiteral("lblSN"), true);
            const QString path = backupPath(svc_.env->programFolder(), mechSerialNumber_);
            if (const std::optional<QString> refused = backupFileRefusal(path)) {
                noBackup(*refused); // never written through, nor put in place of, what holds the name
                return;
            }
            if (link_.fileExists(path) && isWholeBackup(path))
                return; // the backup keeps the first image ever read from this mech
            writeImageFile(path, image_);
        },
        [&](const std::exception& e) { link_.showError(ctx::Autosave, e); });
}

} // namespace ardwell
