// EXIT and the close box never end the program with changes for the mech that are neither in the
// mech nor said to be lost: a write that fails calls the exit off, changes that no box can take
// are asked about, the adjust panel's edits are offered like programme changes, and while a
// write runs the way out is refused, never queued.
#include "sim/ardwellimages.h"
#include "tests/ardwell/road.h"

#include <QComboBox>

namespace {

using namespace ardwell_test;
namespace mb = plat::mb;
namespace img = sim::ardwellimage;

const QString kAsk = "Write New Data To Coin Mech";
const QString kCalledOff = "The changes were not written to the Coin mech\r\n\r\n"
                           "Ardwell stays open with the changes pending: write them again, "
                           "or EXIT and answer No to drop them";
const QString kNoBox = "The changes were not written to the Coin mech and will be lost: the programmer box "
                       "is not connected\r\n\r\nOK ends Ardwell without them, Cancel keeps Ardwell open with "
                       "the changes pending";
const QString kBeingWritten = "The Coin mech is being written\r\n\r\nEXIT when the write has ended";
const QByteArray kSettings = "3,\"330\"\r\n";
// Left in config.txt before an EXIT: an exit that is called off writes no settings.
const QByteArray kMarker = "marker\r\n";

void enterAndClearChannel1(Road& r)
{
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("cmbCoinNumber", 0);
    r.ts.dialogs->answer(mb::OK, "Press OK to Clear channel 1");
    r.click("cmdClearOne");
    ASSERT_TRUE(r.job().imageModified());
    r.ts.writeFile("config.txt", kMarker);
}

bool inProgrammeMode(Road& r)
{
    return r.view().isVisible("frmProgramme") && !r.view().isVisible("frmMain1") &&
           r.view().isEnabled("cmdProg") && r.view().isEnabled("cmdExitProgramme");
}

bool inAdjustPanel(Road& r)
{
    return r.view().isVisible("frmAdjust") && !r.view().isVisible("frmMain1") &&
           r.view().isEnabled("cmdExitAdjust") && r.view().isEnabled("cmdCancelAdjust");
}

// True when fn ended the program.
bool ends(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const plat::ProgramEnded&) {
        return true;
    }
    return false;
}

void choose(Road& r, const char* list, int i)
{
    auto* c = r.win().controls().get<QComboBox>(list);
    c->setCurrentIndex(i);
    emit c->activated(i);
}

void unplug(Road& r)
{
    r.ts.dialogs->answer(mb::OK, "unplugged");
    r.pullCable();
    r.ts.sched->advance(100);
}

const testing_support::BoxRecord* findBox(Road& r, const QString& text)
{
    for (const auto& b : r.ts.dialogs->boxes())
        if (b.text == text)
            return &b;
    return nullptr;
}

// The way out said `text` in a box titled "EXIT" and stayed: programme mode, its changes still
// pending, no settings written.
void expectStayedWithTheChanges(Road& r, const QString& text, int style)
{
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    const auto* box = findBox(r, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->title, "EXIT");
    EXPECT_EQ(box->style, style);
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_EQ(r.ts.readFile("config.txt"), kMarker);
}

// Yes at EXIT over a cleared channel 1 whose word 0032 does not stick: the exit is called off.
void exitOverAWordThatDoesNotStick(Road& r)
{
    enterAndClearChannel1(r);
    r.mech.storeDifferentValueAt(0x32, 0x2021);
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Verify Error Address : 0032");
    r.ts.dialogs->answer(mb::OK, "Verify Failed :  1 Errors");
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
}

// Yes at the way out to a mech that no longer answers: the write cannot log on, the exit is
// called off and the changes stay pending in programme mode.
void wayOutToASilentMech(Road& r, const QString& nothingWritten, const std::function<void()>& wayOut)
{
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Memory address 0003 was not read from the Coin mech\r\n\r\n" + nothingWritten);
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends(wayOut));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_TRUE(r.job().imageModified());
}

} // namespace

TEST(ExitWrite, AWordThatDoesNotStickCallsTheExitOffAndALaterExitAsksAgain)
{
    Road r("330");
    exitOverAWordThatDoesNotStick(r);
    expectStayedWithTheChanges(r, kCalledOff, mb::Exclamation | mb::OKOnly);

    // The program is not left ending: a job still runs, and the next EXIT asks again.
    r.ts.dialogs->answer(mb::OK, "Press OK to Clear channel 2");
    r.view().setValue("cmbCoinNumber", 1);
    r.click("cmdClearOne");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::No, kAsk);
    EXPECT_TRUE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.ts.readFile("config.txt"), kSettings);
}

TEST(ExitWrite, AWriteThatWentOutWholeButFailedItsVerifyLeavesTheMechMaybeHalfWritten)
{
    // Every word went out, one did not stick: the mech is neither as read nor as meant, so a
    // later write that sends nothing may not call it untouched.
    Road r("330");
    exitOverAWordThatDoesNotStick(r);

    wayOutToASilentMech(r, "Nothing more written: the Coin mech may still be half-written from the write before",
                        [&] { r.win().cmdExit_Click(); });
}

TEST(ExitWrite, ARefusedLogonOrAnotherMechCallsTheCloseBoxOff)
{
    Road silent("330");
    enterAndClearChannel1(silent);
    wayOutToASilentMech(silent, "Nothing written", [&] { silent.win().requestClose(); });
    EXPECT_EQ(silent.ts.readFile("config.txt"), kMarker);

    Road other("330");
    enterAndClearChannel1(other);
    other.mech.loadImage(img::otherImage("330"));
    other.ts.dialogs->answer(mb::Yes, kAsk);
    other.ts.dialogs->answer(mb::OK, "Serial number of this Coin mech: 0034EF56\r\n\r\nNothing written");
    other.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { other.win().requestClose(); }));
    EXPECT_TRUE(other.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(inProgrammeMode(other));
    EXPECT_TRUE(other.job().imageModified());
}

TEST(ExitWithoutBox, ChangesPendingWhenThePortIsGoneAreAskedAboutAndCancelKeepsThem)
{
    Road r("330");
    enterAndClearChannel1(r);
    unplug(r);
    r.ts.dialogs->answer(mb::Cancel, kNoBox);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
    expectStayedWithTheChanges(r, kNoBox, mb::Exclamation | mb::OKCancel);

    r.ts.dialogs->answer(mb::OK, kNoBox);
    EXPECT_TRUE(ends([&] { r.win().requestClose(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.readFile("config.txt"), kSettings);

    // The adjust panel's edits the same.
    Road a("330");
    ASSERT_TRUE(a.enterAdjust());
    a.click("cmdLoosen");
    choose(a, "cmbChangeCoin", 1);
    unplug(a);
    a.ts.dialogs->answer(mb::Cancel, kNoBox);
    EXPECT_FALSE(ends([&] { a.win().cmdExit_Click(); }));
    EXPECT_TRUE(a.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(inAdjustPanel(a));
}

TEST(ExitAdjust, EditsOfTheAdjustPanelAreOfferedAndYesWritesThemWithItsVerify)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    for (int i = 0; i < 5; ++i)
        r.click("cmdLoosen");
    choose(r, "cmbChangeCoin", 1);
    std::vector<quint16> want(r.job().image().begin(), r.job().image().begin() + 128);
    want[5] = 0;
    ASSERT_NE(std::vector<quint16>(r.mech.words().begin(), r.mech.words().begin() + 128), want);
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    EXPECT_TRUE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_FALSE(r.ts.dialogs->boxes().empty());
    EXPECT_EQ(r.ts.dialogs->boxes().at(0).title, "Confirm Action");
    EXPECT_EQ(r.ts.dialogs->boxes().at(0).style, mb::YesNo | mb::Exclamation);
    EXPECT_EQ(r.mech.addressesRead().mid(0, 3), QList<int>({3, 4, 0}));
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    EXPECT_EQ(std::vector<quint16>(r.mech.words().begin(), r.mech.words().begin() + 128), want);

    // Loosened and not yet stored by a coin change: the close box offers it too; No drops it.
    Road s("330");
    ASSERT_TRUE(s.enterAdjust());
    s.click("cmdLoosen");
    s.mech.clearReceived();
    s.ts.dialogs->answer(mb::No, kAsk);
    EXPECT_TRUE(ends([&] { s.win().requestClose(); }));
    EXPECT_TRUE(s.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(s.mech.addressesWritten().isEmpty());

    // Loosened and tightened back, every coin shown once: nothing to offer, though storing a
    // coin tidies what the panel never shows (a 330's lines G and H, a PCA's channels 13 to 16).
    for (const char* model : {"330", "PCA"}) {
        SCOPED_TRACE(model);
        Road n(model);
        ASSERT_TRUE(n.enterAdjust());
        n.click("cmdLoosen");
        n.click("CmdTighten");
        for (int i = 1; i < n.win().controls().get<QComboBox>("cmbChangeCoin")->count(); ++i)
            choose(n, "cmbChangeCoin", i);
        n.mech.clearReceived();
        const qsizetype sentBefore = n.sent().size();
        EXPECT_TRUE(ends([&] { n.win().cmdExit_Click(); }));
        EXPECT_TRUE(n.ts.dialogs->boxes().empty()) << n.ts.dialogs->texts().join("|").toStdString();
        EXPECT_EQ(n.commandsSince(sentBefore), QStringList({"%", "%"}));
        EXPECT_TRUE(n.mech.received().empty());
    }
}

TEST(ExitAdjust, ALoadedOrCopiedFileIsOfferedAndAFailedWriteKeepsThePanelOpen)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    QStringList file = r.mechLines(128);
    file[20] = "0014 2222";
    r.writeLines("load.txt", file);
    r.ts.dialogs->answerFile(r.ts.folder() + "/load.txt");
    r.click("cmdLoad");
    r.ts.writeFile("config.txt", kMarker);
    r.mech.storeDifferentValueAt(0x32, 0x2021);
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Verify Error Address : 0032");
    r.ts.dialogs->answer(mb::OK, "Verify Failed :  1 Errors");
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(inAdjustPanel(r));
    EXPECT_EQ(r.word(20), 0x2222);
    EXPECT_EQ(r.ts.readFile("config.txt"), kMarker);

    // The word sticks again: the next EXIT asks again and writes.
    r.mech.storeDifferentValueAt(-1, 0);
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    EXPECT_TRUE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.mech.word(20), 0x2222);
    EXPECT_EQ(r.ts.readFile("config.txt"), kSettings);

    Road c("330");
    ASSERT_TRUE(c.enterAdjust());
    c.ts.writeFile("other.txt", img::imageFile(img::otherImage("330")));
    c.ts.dialogs->answerFile(c.ts.folder() + "/other.txt");
    c.click("cmdCopyConfig");
    EXPECT_FALSE(c.job().imageModified()) << "a copy alone leaves the programme changes flag";
    c.ts.dialogs->answer(mb::No, kAsk);
    EXPECT_TRUE(ends([&] { c.win().requestClose(); }));
    EXPECT_TRUE(c.ts.dialogs->allAnswersUsed());
}

TEST(ExitDuringWrite, IsRefusedWithABoxEachTimeAndNeverQueuedNorSaysNothingWrittenOfAHalfWrittenMech)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.mech.clearReceived();
    // The mech takes 20 words, then goes silent to every write.
    r.mech.setFault(sim::ArdwellMech::Fault::WriteUnanswered, sim::When::from(21));
    r.when([&] { return r.mech.addressesWritten().count(20) == 3; },
         [&] {
             r.win().cmdExit_Click();
             r.win().close();
         });
    r.ts.dialogs->answer(mb::OK, kBeingWritten);
    r.ts.dialogs->answer(mb::OK, kBeingWritten);
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0014\r\n\r\n"
                                 "The Coin mech may be half-written: write it again");
    EXPECT_FALSE(ends([&] {
        r.click("cmdProg");
        r.ts.sched->advance(1000);
    }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 4u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.ts.dialogs->boxes()[1].title, "EXIT");
    EXPECT_EQ(r.ts.dialogs->boxes()[1].style, mb::Exclamation | mb::OKOnly);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_EQ(r.ts.readFile("config.txt"), kMarker);

    // The mech silent now: its logon fails, and nothing says nothing was written.
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Memory address 0003 was not read from the Coin mech\r\n\r\n"
                                 "Nothing more written: the Coin mech may still be half-written from the write before");
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    for (const QString& t : r.ts.dialogs->texts())
        EXPECT_FALSE(t.contains("Nothing written")) << t.toStdString();
    EXPECT_TRUE(inProgrammeMode(r));
}

TEST(ExitWrite, APortLostDuringTheExitsWriteCallsItOffAndTheNextExitAsksAboutTheLoss)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.mech.clearReceived();
    r.when([&] { return r.mech.addressesWritten().size() >= 40; },
         [&] { r.pullCable(); });
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "The mech may be half-written: write it again once the box is reconnected.");
    r.ts.dialogs->answer(mb::OK, "The Coin mech may be half-written");
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed()) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_EQ(r.ts.readFile("config.txt"), kMarker);

    r.ts.dialogs->answer(mb::OK, kNoBox);
    EXPECT_TRUE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.readFile("config.txt"), kSettings);
}

TEST(ExitWrite, APortLostAsTheExitsWriteBeginsIsSaidOnceWithoutTheLogonsRoutineLine)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.when([&] { return findBox(r, kAsk) != nullptr; },
         [&] { r.pullCable(); });
    r.ts.dialogs->answer(mb::Yes, kAsk);
    r.ts.dialogs->answer(mb::OK, "The connection to the programmer box on COM3 was lost.");
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Memory address 0003 was not read from the Coin mech\r\n\r\nNothing written");
    r.ts.dialogs->answer(mb::OK, kCalledOff);
    EXPECT_FALSE(ends([&] { r.win().cmdExit_Click(); }));
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed()) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_TRUE(r.job().imageModified());
}
