#include "platform/dialogs.h"
#include "platform/fileexists.h"
#include "platform/makesound.h"
#include "platform/runtimeerror.h"
#include "platform/senddata.h"
#include "tests/support/fakeport.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QDir>

using testing_support::FakePort;
using testing_support::TestServices;

namespace {

struct Trap {
    std::vector<int> numbers;
    std::function<void(const std::exception&)> fn()
    {
        return [this](const std::exception& e) { numbers.push_back(plat::errInfo(e).number); };
    }
};

} // namespace

TEST(SendData, WritesUnchangedOnlyWhenOpen)
{
    FakePort port;
    Trap trap;
    shared::sendData(&port, "S", trap.fn());
    shared::sendData(nullptr, "S", trap.fn());
    EXPECT_EQ(trap.numbers, (std::vector<int>{8018, 8018}));
    EXPECT_TRUE(port.sent.isEmpty());

    port.open();
    shared::sendData(&port, QByteArray("\x1b_\r\0", 4), trap.fn());
    shared::sendData(&port, "", trap.fn());
    EXPECT_EQ(port.sent, QByteArray("\x1b_\r\0", 4));

    port.failWrites = true;
    shared::sendData(&port, "J", trap.fn());
    EXPECT_EQ(trap.numbers.back(), 8020);
    EXPECT_NO_THROW(shared::sendData(nullptr, "J", nullptr));
}

struct FileExistsFixture : ::testing::Test {
    TestServices ts;
    Trap trap;
    shared::FileExistsTexts texts;

    bool exists(const QString& name) { return shared::fileExists(path(name), *ts.dialogs, texts, trap.fn()); }
    QString path(const QString& name) const { return ts.folder() + "/" + name; }
};

TEST_F(FileExistsFixture, OnlyOrdinaryVisibleFilesOfThatName)
{
    ts.writeFile("coins.cst", "x");
    ts.writeFile(".hidden.cst", "x");
    ASSERT_TRUE(QDir(ts.folder()).mkdir("CoinSets"));
    EXPECT_TRUE(exists("coins.cst"));
    EXPECT_FALSE(exists(".hidden.cst"));
    EXPECT_FALSE(exists("CoinSets"));
    EXPECT_FALSE(exists("absent.cst"));
    EXPECT_FALSE(exists("*.cst"));
    EXPECT_FALSE(exists("coins.cs?"));
    EXPECT_FALSE(shared::fileExists("", *ts.dialogs, texts, trap.fn()));
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    EXPECT_TRUE(trap.numbers.empty());
}

TEST_F(FileExistsFixture, LiteralStarInANameIsThatFile)
{
    ts.writeFile("a*b.txt", "x");
    EXPECT_TRUE(exists("a*b.txt"));
    EXPECT_FALSE(exists("a*.txt"));
}

TEST_F(FileExistsFixture, DriveNotReadyOffersRetry)
{
    int calls = 0;
    const shared::FileProbe notReadyTwice = [&](const QString&) {
        if (++calls <= 2)
            throw plat::RuntimeError(plat::err::DiskNotReady, "Disk not ready");
        return true;
    };
    ts.dialogs->answer(plat::mb::OK, texts.diskNotReady);
    ts.dialogs->answer(plat::mb::OK, texts.diskNotReady);
    EXPECT_TRUE(shared::fileExists("A:/x", *ts.dialogs, texts, trap.fn(), notReadyTwice));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Exclamation | plat::mb::OKCancel);

    calls = 0;
    ts.dialogs->answer(plat::mb::Cancel, texts.diskNotReady);
    EXPECT_FALSE(shared::fileExists("A:/x", *ts.dialogs, texts, trap.fn(), notReadyTwice));
    EXPECT_EQ(calls, 1);
}

TEST_F(FileExistsFixture, OtherErrorsAreShownAndGiveFalse)
{
    const auto failing = [](int number) {
        return shared::FileProbe([number](const QString&) -> bool {
            throw plat::RuntimeError(number, "Device unavailable");
        });
    };
    ts.dialogs->answer(plat::mb::OK);
    EXPECT_FALSE(shared::fileExists("X:/f.txt", *ts.dialogs, texts, trap.fn(), failing(68)));
    EXPECT_EQ(ts.dialogs->boxes().back().text, "Unexpected error #X:/f.txt");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::Exclamation | plat::mb::OKOnly);

    ts.dialogs->answer(plat::mb::OK);
    EXPECT_FALSE(shared::fileExists("f", *ts.dialogs, texts, trap.fn(), failing(52)));
    EXPECT_EQ(ts.dialogs->boxes().back().text, "Unexpected error # 52 occurred: Device unavailable");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::Critical | plat::mb::OKOnly);
    EXPECT_EQ(ts.env->endCount, 0);
    EXPECT_TRUE(trap.numbers.empty());
}

TEST(MakeSound, PlaysTheRightFileOrNothing)
{
    TestServices ts;
    Trap trap;
    shared::makeSound(false, ts.folder(), *ts.sound, trap.fn());
    EXPECT_TRUE(ts.sound->played.empty());

    ts.writeFile("accept.wav", "RIFF");
    ts.writeFile("reject.wav", "RIFF");
    shared::makeSound(false, ts.folder(), *ts.sound, trap.fn());
    shared::makeSound(true, ts.folder(), *ts.sound, trap.fn());
    ASSERT_EQ(ts.sound->played.size(), 2u);
    EXPECT_TRUE(ts.sound->played[0].endsWith("/accept.wav"));
    EXPECT_TRUE(ts.sound->played[1].endsWith("/reject.wav"));
    EXPECT_TRUE(trap.numbers.empty());
}

TEST(MakeSound, FailureGoesToTheTrap)
{
    TestServices ts;
    ts.writeFile("reject.wav", "RIFF");
    struct Broken : plat::Sound {
        void playSync(const QString&) override { throw plat::RuntimeError(7, "Out of memory"); }
        void beep() override {}
    } broken;
    Trap trap;
    shared::makeSound(true, ts.folder(), broken, trap.fn());
    EXPECT_EQ(trap.numbers, (std::vector<int>{7}));
}
