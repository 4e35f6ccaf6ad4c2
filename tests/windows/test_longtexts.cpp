// A language file's text far longer than any window can show, on the first program's start-up.
#include "tests/quenby/program_fixture.h"

#include <QPushButton>

namespace {

using LongTextTest = quenby_tests::ProgramTest;

TEST_F(LongTextTest, AHugeLanguageTextStartsTheMenuWithTheCaptionCut)
{
    // One line under the size a language file may have: 900,000 letters for "Change Config".
    const QByteArray letters(900000, 'K');
    settings(1, "Deutsch");
    ts.writeFile("Deutsch.txt", "874," + letters + "\r\n");
    program().start();
    EXPECT_TRUE(main().isVisible());
    // The button shows the first 4,096 letters (more than it can ever show); the program keeps all.
    const QString shown = mainC().get<QPushButton>("cmdConfig")->text();
    EXPECT_EQ(shown.size(), 4096);
    EXPECT_TRUE(shown == QString(4096, u'K'));
    EXPECT_TRUE(mainC().text("cmdConfig") == QString::fromLatin1(letters));
    EXPECT_TRUE(p->texts.getText(874) == QString::fromLatin1(letters));
}

} // namespace
