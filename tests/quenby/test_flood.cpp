// A device on the port that floods it with random lines: each report once, a bounded backlog
// while a box is up, and the start-up window naming what is on the port.
#include "tests/quenby/program_fixture.h"

#include <algorithm>

namespace {

using namespace quenby_tests;

struct FloodTest : ProgramTest {};

TEST_F(FloodTest, ADeviceFloodingRandomLinesRaisesEachReportOnceHoldsLittleAndIsNamed)
{
    settings(1);
    box.silent = true; // no box answers: a device that only floods
    box.flood(20261209);
    int held = 0;
    for (int i = 0; i < 2; ++i)
        ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
            ts.sched->advance(3000); // the box stays up while the lines go on coming
            held = std::max(held, port->bytesWaiting() + p->link.backlogBytes());
            return plat::mb::OK;
        });
    QString first, second;
    at(10000, [&] {
        first = openC().text("LabelStatus");
        click(openC(), "cmdRetry");
    });
    at(40000, [&] {
        second = openC().text("LabelStatus");
        click(openC(), "cmdCancel");
    });
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_GT(box.linesFlooded(), 2000);
    const QStringList texts = ts.dialogs->texts();
    ASSERT_EQ(texts.size(), 2) << texts.join("|").toStdString();
    EXPECT_TRUE(texts[0].startsWith(" 107 Error Decoding PROM Data :  \r\nPROM line not placed: R"));
    EXPECT_EQ(texts[1], "Battery Low");
    EXPECT_LE(held, quenby::BoxLink::kBacklogCap) << "bytes held while a box was up";
    EXPECT_EQ(first, "COM port OPEN :\nThe device on COM1 does not answer as a programmer box.");
    EXPECT_EQ(second, first) << "Retry finds the same";
}

} // namespace
