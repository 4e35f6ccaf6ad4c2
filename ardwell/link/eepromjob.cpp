#include "ardwell/link/eepromjob.h"

#include "ardwell/bench/wordmap.h"
#include "ardwell/link/imagefile.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/dialogs.h"
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
constexpr int kSerialFirst = 2;   // the words re-read for the serial number before a write
constexpr int kSerialLast = 4;

namespace ctx {
const QString ReadMech = QStringLiteral("Error Reading Mech command routine : ");
const QString ReadRange = QStringLiteral("Error Reading Mech Memory routine : ");
const QString ReadSerial = QStringLiteral("Error Reading Mech serial number command routine : ");
const QString Programme = QStringLiteral("Error Programming Mech command routine : ");
const QString WriteRange = QStringLiteral("Error Programming Mech memory routine : ");
const QString Verify = QStringLiteral("Error Verifying EEPROM routine : ");
const QString Autosave = QStringLiteral("Error Autosave EEPROM routine : ");
} // namespace ctx

} // namespace

int wordAfterSerial(Model m) { return serialWord(m) + 2; }

QString EepromJob::unreadWordText(int address)
{
    return QStringLiteral("Memory address ") + plat::hex4(address) +
           QStringLiteral(" was not read from the Coin mech\r\n\r\nNothing written");
}

QString EepromJob::notVerifiedText() { return QStringLiteral("Verify Failed : Coin mech not verified"); }

EepromJob::EepromJob(Link& link, plat::View& view, const plat::Services& services, plat::ProgressSink& progress)
    : link_(link), view_(view), st_(link.state()), svc_(services), progress_(progress)
{
    link_.onWord = [this](int address, int word) { image[std::size_t(address)] = word; };
}

Model EepromJob::model() const { return currentModel(view_); }

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
            link_.boxCmdAmp();
            const int top = eepromTop(model());
            ok = readEepromRange(0, top);
            if (st_.commsError)
                ok = false;
            // A word that could not be read would be backed up, shown and written back as FFFF.
            for (int a = 0; a <= top; ++a)
                if (image[a] < 0)
                    ok = false;
            link_.boxCmdPercent();
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
                    image[a] = w;
                else if (!link_.portUsable())
                    break; // the port went away: the words after stay as they were, the read fails
            }
            progress_.hide();
            imageModified = false;
            ok = true;
        },
        [&](const std::exception& e) { link_.showError(ctx::ReadRange, e); });
    return ok;
}

void EepromJob::readMechSerialNumber()
{
    plat::trap(
        [&] {
            link_.boxCmdAmp();
            // Unread until read again: a re-read that cannot log on must not leave the words
            // of another mech's file to be written back as this mech's serial number.
            for (int a = kSerialFirst; a <= kSerialLast; ++a)
                image[a] = -1;
            readEepromRange(kSerialFirst, kSerialLast);
            link_.boxCmdPercent();
            mechSerialNumber = serialNumber(image, model());
        },
        [&](const std::exception& e) { link_.showError(ctx::ReadSerial, e); });
}

WriteResult EepromJob::programmeMechCommand(int mode)
{
    WriteResult result = WriteResult::Failed;
    plat::trap(
        [&] {
            link_.boxCmdPercent();
            link_.boxCmdPercent();
            const Model m = model();
            image[wordAfterSerial(m)] = 0;
            // Mode 0 on a 126 leaves its words above 214 as they are.
            result = writeEepromRange(0, mode == 1 ? eepromTop(m) : modelEntry(m).programmeTop);
            // A write that stopped leaves the mech short of the changes: they stay pending.
            if (result == WriteResult::Written)
                imageModified = false;
        },
        [&](const std::exception& e) { link_.showError(ctx::Programme, e); });
    return result;
}

WriteResult EepromJob::writeEepromRange(int first, int last)
{
    WriteResult result = WriteResult::Failed;
    plat::trap(
        [&] {
            first = std::clamp(first, 0, kImageTop);
            last = std::clamp(last, 0, kImageTop);
            for (int a = first; a <= last; ++a) {
                if (image[a] < 0) {
                    box(unreadWordText(a));
                    return;
                }
            }

            const int word0 = image[0];
            link_.readMemory(0);
            image[0] = word0;

            link_.boxCmdAmp();
            link_.logon();
            if (!st_.mechLoggedOn)
                return;
            startProgress(progress_, QStringLiteral("Writing EEPROM"));
            bool stopped = false;
            {
                // A port lost before the run is through leaves the mech half-written, and says so.
                const plat::CountScope writing = link_.writing();
                for (int a = first; a <= last && !stopped; ++a) {
                    progress(a, first, last);
                    WriteReply reply = WriteReply::NoReply;
                    for (int attempt = 0; attempt < kWriteTries && reply != WriteReply::Written; ++attempt) {
                        reply = link_.writeMemory(a, image[a]);
                        if (reply != WriteReply::Written && !link_.portUsable())
                            break;
                    }
                    if (reply == WriteReply::Written)
                        continue;
                    if (reply == WriteReply::Refused)
                        box(QStringLiteral("Error Writing EEPROM :") + plat::hex4(a));
                    box(QStringLiteral("Too many retries on Memory Write to Address ") + plat::hex4(a));
                    stopped = true;
                }
            }
            progress_.hide();
            if (!stopped)
                result = verifyEepromRange(0, eepromTop(model()));
        },
        [&](const std::exception& e) { link_.showError(ctx::WriteRange, e); });
    return lastWrite_ = result;
}

WriteResult EepromJob::verifyEepromRange(int first, int last)
{
    WriteResult result = WriteResult::Written;
    std::array<int, kShadowWords> shadow{};
    bool taken = false;
    auto restore = [&] {
        // The image is what the user wants in the mech; the read-back only checks it.
        if (taken)
            std::copy(shadow.begin(), shadow.end(), image.begin());
        taken = false;
    };
    plat::trap(
        [&] {
            link_.startupPort();
            link_.boxCmdAmp();
            link_.logon();
            if (!st_.mechLoggedOn) {
                // Nothing was checked: the run failed, and its changes stay pending.
                result = WriteResult::Failed;
                box(notVerifiedText());
                return;
            }
            first = std::clamp(first, 0, kShadowWords - 1);
            last = std::clamp(last, 0, kShadowWords - 1);
            std::copy(image.begin(), image.begin() + kShadowWords, shadow.begin());
            taken = true;
            std::fill(image.begin(), image.begin() + kShadowWords, -1);
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
            if (errors == 0)
                box(QStringLiteral("Verify OK"), plat::mb::Information | plat::mb::OKOnly, QStringLiteral("Verify"));
            else
                box(QStringLiteral("Verify Failed : ") + plat::str(errors) + QStringLiteral(" Errors"));
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
    mechSerialNumber = serialNumber(image, model());
    plat::trap(
        [&] {
            const QString folder = QDir(svc_.env->programFolder()).filePath(QStringLiteral("Backup"));
            if (!link_.dirExists(folder))
                QDir().mkpath(folder);
            if (!link_.dirExists(folder)) {
                // No folder (a file of its name, a program folder closed to new ones): no backup
                // and no serial shown, said once; the job goes on.
                box(ctx::Autosave + QStringLiteral("\r\n\r\nThe folder ") + QDir::toNativeSeparators(folder) +
                        QStringLiteral(" cannot be created\r\n\r\nNo backup made of this Coin mech"),
                    plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error detected"));
                return;
            }
            view_.setText(QStringLiteral("lblSerNo"), backupName(mechSerialNumber));
            view_.setVisible(QStringLiteral("lblSerNo"), true);
            view_.setVisible(QStringLiteral("lblSN"), true);
            const QString path = backupPath(svc_.env->programFolder(), mechSerialNumber);
            if (link_.fileExists(path) && isWholeBackup(path))
                return; // the backup keeps the first image ever read from this mech
            writeImageFile(path, image);
        },
        [&](const std::exception& e) { link_.showError(ctx::Autosave, e); });
}

} // namespace ardwell
