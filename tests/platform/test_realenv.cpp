#include "platform/realenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <gtest/gtest.h>
#include <unistd.h>

using plat::RealEnv;

namespace {
QString uniqueName() { return "plattest-" + QUuid::createUuid().toString(QUuid::Id128).left(12); }
} // namespace

TEST(RealEnv, ProgramFolderComesFromItsVariableOrTheExecutable)
{
    const QByteArray var = "PLATTEST_HOME_" + QByteArray::number(::getpid());
    RealEnv env("plattest", QString::fromLatin1(var));
    qunsetenv(var.constData());
    EXPECT_EQ(env.programFolder(), QCoreApplication::applicationDirPath());
    qputenv(var.constData(), "");
    EXPECT_EQ(env.programFolder(), QCoreApplication::applicationDirPath());
    qputenv(var.constData(), "/srv/workshop/");
    EXPECT_EQ(env.programFolder(), "/srv/workshop");
    qunsetenv(var.constData());
}

TEST(RealEnv, OnlyOneInstanceHoldsTheClaim)
{
    const QString name = uniqueName();
    auto first = std::make_unique<RealEnv>(name, "UNUSED_HOME");
    RealEnv second(name, "UNUSED_HOME");
    EXPECT_FALSE(first->anotherInstanceRunning());
    EXPECT_FALSE(first->anotherInstanceRunning()); // asking again keeps the claim
    EXPECT_TRUE(second.anotherInstanceRunning());
    EXPECT_TRUE(QFile::exists(first->lockFilePath()));
    first.reset(); // the first program ends
    EXPECT_FALSE(second.anotherInstanceRunning());
    EXPECT_FALSE(RealEnv(uniqueName(), "UNUSED_HOME").anotherInstanceRunning());
}

TEST(RealEnvDeathTest, ALockLeftByADeadProcessIsTakenOver)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The dying process is this binary run again: it finds the name in the environment.
    if (qEnvironmentVariableIsEmpty("PLATTEST_STALE_NAME"))
        qputenv("PLATTEST_STALE_NAME", uniqueName().toLatin1());
    const QString name = qEnvironmentVariable("PLATTEST_STALE_NAME");
    QFile::remove(RealEnv(name, "UNUSED_HOME").lockFilePath());
    EXPECT_EXIT(
        {
            RealEnv dying(name, "UNUSED_HOME");
            if (dying.anotherInstanceRunning())
                ::_exit(1);
            ::_exit(0); // no clean-up: the lock file stays behind
        },
        ::testing::ExitedWithCode(0), "");
    RealEnv next(name, "UNUSED_HOME");
    EXPECT_TRUE(QFile::exists(next.lockFilePath()));
    EXPECT_FALSE(next.anotherInstanceRunning());
}

TEST(RealEnvDeathTest, EndProgramRunsClosersLastFirstAndExitsWithItsCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RealEnv env(uniqueName(), "UNUSED_HOME");
            env.atEnd([] { std::fputs("closed-port\n", stderr); });
            env.atEnd([] { throw std::runtime_error("a failing closer"); });
            env.atEnd([] { std::fputs("closed-file\n", stderr); });
            env.endProgram(3);
        },
        ::testing::ExitedWithCode(3), "closed-file.*closed-port");
}
