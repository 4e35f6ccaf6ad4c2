#include "platform/dialogs.h"
#include "platform/filefaults.h"
#include "platform/runtimeerror.h"
#include "quenby/shell/texts.h"
#include "tests/quenby/sources.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

using namespace quenby;
using testing_support::TestServices;
using testing_support::errNumber;

namespace {

struct LanguageFixture : ::testing::Test {
    TestServices ts;
    TextTable texts;

    void load(const QString& language)
    {
        texts.languageName = language;
        texts.loadLanguageFile(ts.folder(), *ts.dialogs);
    }
};

} // namespace

TEST(BuiltInTexts, EnglishTextsAndMissingIds)
{
    const TextTable texts;
    EXPECT_EQ(texts.getText(832), "Error Writing Config Default File : ");
    EXPECT_EQ(texts.getText(850), "Configuration");
    EXPECT_EQ(texts.getText(1000), "Checking for Communication with Quenby");
    EXPECT_EQ(texts.getText(204), " occurred: ");
    for (int missing : {239, 202, -1, 0, 2001})
        EXPECT_EQ(errNumber([&] { texts.getText(missing); }), 9) << missing;
}

TEST(BuiltInTexts, LanguageNamedButNotLoadedUsesEnglish)
{
    TextTable texts;
    texts.languageName = "Deutsch";
    EXPECT_EQ(texts.getText(860), "Program Mech");
}

TEST_F(LanguageFixture, LineForms)
{
    ts.writeFile("Deutsch.txt", "850,Konfiguration\r\n"
                                "856, Sprache\r\n"
                                "858,  Sichern\n"
                                "860,\"Programm, neu\"\n"
                                "\"861\",\"Test\"\r\n"
                                "872.5,Ende\r\n"
                                "100,Eins,Zwei\r\n"
                                "861,Pruefung");
    load("Deutsch");
    EXPECT_TRUE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(850), "Konfiguration");
    EXPECT_EQ(texts.getText(856), "Sprache");
    EXPECT_EQ(texts.getText(858), " Sichern");
    EXPECT_EQ(texts.getText(860), "Programm");
    EXPECT_EQ(texts.getText(861), "Pruefung"); // a later line wins
    EXPECT_EQ(texts.getText(872), "Ende"); // halves to even
    EXPECT_EQ(texts.getText(100), "Eins");
    EXPECT_EQ(texts.getText(859), ""); // never set
    EXPECT_EQ(errNumber([&] { texts.getText(2001); }), 9);
    EXPECT_EQ(errNumber([&] { texts.getText(-1); }), 9);
}

TEST_F(LanguageFixture, BadLinesAreSkippedAndReportedOnceWithTheFirstAndTheCount)
{
    ts.writeFile("Deutsch.txt", "850,Vorher\r\n2001,Zu gross\r\n-1,Negativ\r\n1e20,Riesig\r\n1448,Letzte\r\n");
    ts.dialogs->answer(plat::mb::OK);
    load("Deutsch");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    const auto& box = ts.dialogs->boxes()[0];
    EXPECT_EQ(box.text, "Error Loading Language File routine : \r\nSubscript out of range - 9\r\n"
                        "Line 2: 2001,Zu gross\r\n3 lines skipped");
    EXPECT_EQ(box.style, plat::mb::Critical | plat::mb::OKOnly);
    EXPECT_EQ(box.title, "Error detected");
    EXPECT_EQ(texts.getText(850), "Vorher");
    EXPECT_EQ(texts.getText(1448), "Letzte");
    EXPECT_TRUE(texts.textTableLoaded);
}

TEST_F(LanguageFixture, ThirtyBadLinesGiveOneBox)
{
    QByteArray file = "860,Mech programmieren\r\n";
    for (int i = 0; i < 30; ++i)
        file += QByteArray::number(2001 + i) + ",x\r\n";
    ts.writeFile("Deutsch.txt", file);
    ts.dialogs->answer(plat::mb::OK);
    load("Deutsch");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_TRUE(ts.dialogs->boxes()[0].text.endsWith("\r\nLine 2: 2001,x\r\n30 lines skipped"));
    EXPECT_EQ(texts.getText(860), "Mech programmieren");

    // A single bad line says so in the singular.
    ts.writeFile("Deutsch.txt", "860,Neu\r\n99999,x\r\n");
    ts.dialogs->answer(plat::mb::OK, "Line 2: 99999,x\r\n1 line skipped");
    load("Deutsch");
    EXPECT_EQ(texts.getText(860), "Neu");
}

TEST_F(LanguageFixture, EmptyFileSaysSoAndKeepsTheTexts)
{
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\r\n \r\n")}) {
        TextTable fresh;
        ts.writeFile("Deutsch.txt", bytes);
        ts.dialogs->answer(plat::mb::OK);
        fresh.languageName = "Deutsch";
        fresh.loadLanguageFile(ts.folder(), *ts.dialogs);
        EXPECT_FALSE(fresh.textTableLoaded);
        EXPECT_EQ(fresh.getText(860), "Program Mech") << "English kept";
    }
    ASSERT_EQ(ts.dialogs->boxes().size(), 2u);
    for (const auto& box : ts.dialogs->boxes()) {
        EXPECT_EQ(box.text, "The language file " + QDir::toNativeSeparators(ts.folder() + "/Deutsch.txt") +
                                " is empty.\r\nThe texts stay as they were.");
        EXPECT_EQ(box.style, plat::mb::Critical | plat::mb::OKOnly);
        EXPECT_EQ(box.title, "Error");
    }

    // Over a loaded language the old texts stay, as for a missing file.
    ts.writeFile("Deutsch.txt", "860,Mech programmieren\r\n");
    load("Deutsch");
    ts.writeFile("Francais.txt", "");
    ts.dialogs->answer(plat::mb::OK, "is empty");
    load("Francais");
    EXPECT_EQ(texts.getText(860), "Mech programmieren");
}

TEST_F(LanguageFixture, BinaryFileKeepsEnglishAndNamesItsFirstLine)
{
    // Lines that begin with digits but are no `id,text` of a known text.
    ts.writeFile("Deutsch.txt", QByteArray("\x7f" "ELF\x02\x01\r\n3\x9c") + QByteArray(2, '\0') +
                                    ",\xfe\r\n42,x\r\n860\r\n");
    ts.dialogs->answer(plat::mb::OK);
    load("Deutsch");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    const auto& box = ts.dialogs->boxes()[0];
    EXPECT_EQ(box.text, "Error Loading Language File routine : \r\nNot an id,text line of a known text id - 13\r\n"
                        "Line 1: \x7f" "ELF\x02\x01\r\n4 lines skipped\r\n"
                        "No line of the file holds a text of the program. The texts stay as they were.");
    EXPECT_EQ(box.title, "Error detected");
    EXPECT_FALSE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(860), "Program Mech");
    EXPECT_EQ(texts.getText(872), "Exit");
}

TEST_F(LanguageFixture, FileLargerThanAnyTranslationIsRefusedUnread)
{
    QByteArray big;
    while (big.size() <= TextTable::kMaxLanguageFileBytes)
        big += "860,Mech programmieren\r\n";
    ts.writeFile("Deutsch.txt", big);
    ts.dialogs->answer(plat::mb::OK);
    load("Deutsch");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "The language file " +
                                               QDir::toNativeSeparators(ts.folder() + "/Deutsch.txt") +
                                               " holds 1048584 bytes, more than a language file can (1048576): it "
                                               "was not read.\r\nThe texts stay as they were.");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error");
    EXPECT_FALSE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(860), "Program Mech");
}

TEST_F(LanguageFixture, FileThatSetsSomeIdsLeavesTheOthersEmpty)
{
    ts.writeFile("Deutsch.txt", "junk\r\n874,Einstellungen\r\n");
    ts.dialogs->answer(plat::mb::OK, "Line 1: junk\r\n1 line skipped");
    load("Deutsch");
    EXPECT_EQ(texts.getText(874), "Einstellungen");
    EXPECT_EQ(texts.getText(872), "");
    EXPECT_EQ(texts.getText(0), "");
}

TEST_F(LanguageFixture, SwitchingLanguagesKeepsOlderTexts)
{
    ts.writeFile("Deutsch.txt", "860,Mech programmieren\r\n861,Pruefer\r\n");
    ts.writeFile("Francais.txt", "861,Testeur\r\n");
    load("Deutsch");
    load("Francais");
    EXPECT_EQ(texts.getText(860), "Mech programmieren");
    EXPECT_EQ(texts.getText(861), "Testeur");

    load("English");
    EXPECT_EQ(texts.getText(860), "Program Mech");
    EXPECT_EQ(texts.textTable[860], "Mech programmieren");

    ts.writeFile("Deutsch.txt", "861,Pruefer neu\r\n");
    load("Deutsch");
    EXPECT_EQ(texts.getText(861), "Pruefer neu");
}

TEST_F(LanguageFixture, SpanishFileIsReadInTheWindowsCodePage)
{
    ts.writeFile("Espanol.txt", QByteArray("856,Idioma espa\xF1ol \x80\r\n"));
    load(QStringLiteral("Espa\u00f1ol"));
    EXPECT_EQ(texts.getText(856), QStringLiteral("Idioma espa\u00f1ol \u20ac"));
}

TEST_F(LanguageFixture, MissingFileLeavesTheTableAlone)
{
    ts.writeFile("Deutsch.txt", "860,Mech programmieren\r\n");
    load("Deutsch");
    ts.dialogs->answer(plat::mb::OK, "Invalid Language Filename");
    load("Francais");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical | plat::mb::OKOnly);
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error");
    EXPECT_TRUE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(860), "Mech programmieren");
}

TEST_F(LanguageFixture, NeverLoadedLanguageShowsEnglish)
{
    ts.dialogs->answer(plat::mb::OK, "Invalid Language Filename");
    load("Deutsch");
    EXPECT_FALSE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(860), "Program Mech");
}

TEST_F(LanguageFixture, UnknownLanguageLoadsNothingSilently)
{
    ts.writeFile("Klingon.txt", "860,x\r\n");
    ts.writeFile(".txt", "860,x\r\n");
    load("Klingon");
    load("");
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    EXPECT_FALSE(texts.textTableLoaded);
}

TEST_F(LanguageFixture, UnreadableFileIsReportedOnce)
{
    ts.writeFile("Deutsch.txt", "860,x\r\n861,y\r\n");
    plat::FileFaults faults;
    faults.unreadable(ts.folder() + "/Deutsch.txt");
    ts.dialogs->answer(plat::mb::OK);
    load("Deutsch");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "Error Loading Language File routine : \r\nPath/File access error - 75");
    EXPECT_FALSE(texts.textTableLoaded);
    EXPECT_EQ(texts.getText(860), "Program Mech");
}

TEST(ErrorMessage, CommonLayout)
{
    const auto body = [](int id, const QString& text, int number, const QString& description) {
        return plat::errorBoxBody(errorHead(id, text), plat::RuntimeError(number, description));
    };
    EXPECT_EQ(body(832, "Error Writing Config Default File : ", 75, "Path/File access error"),
              " 832 Error Writing Config Default File :  \r\nPath/File access error - 75");
    const QString eighty = QString(50, u'a') + QString(30, u'b');
    EXPECT_EQ(body(206, "x", 8018, eighty), " 206 x \r\n" + eighty + " - 8018") << "a description is never cut";
    EXPECT_EQ(body(-3, "", 5, ""), "-3  \r\n - 5");
}

TEST(ErrorReporterBox, CriticalOkTitledInTheCurrentLanguage)
{
    TestServices ts;
    TextTable texts;
    const ErrorReporter reporter(texts, *ts.dialogs);
    ts.dialogs->answer(plat::mb::OK);
    reporter.reportError(206, plat::RuntimeError(8018, "Operation valid only when the port is open"));
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text,
              " 206 Error Sending Data :  \r\nOperation valid only when the port is open - 8018");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical | plat::mb::OKOnly);
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error detected");

    // Errors that are not the program's own are number 5; an id without text still reports.
    ts.dialogs->answer(plat::mb::OK);
    EXPECT_NO_THROW(reporter.reportError(239, std::runtime_error("boom")));
    EXPECT_EQ(ts.dialogs->boxes()[1].text, " 239  \r\nboom - 5");

    ts.writeFile("Deutsch.txt", "208,Fehler erkannt\r\n");
    texts.languageName = "Deutsch";
    texts.loadLanguageFile(ts.folder(), *ts.dialogs);
    ts.dialogs->answer(plat::mb::OK);
    reporter.reportError(3000, plat::RuntimeError(1, "x"));
    EXPECT_EQ(ts.dialogs->boxes()[2].title, "Fehler erkannt");
}

// Every text the program looks up by number must be in the built-in table, or the English
// program fails with an error box where a caption or message belongs. Ids are looked up either
// as literals or through named constants (kText... or a capitalised name in an id namespace).
TEST(BuiltInTexts, EveryIdUsedInTheSourcesExists)
{
    const QRegularExpression call(R"((?:\bgetText|\breportError|\btext)\s*\(\s*(\d+)\s*[,)]|)"
                                  R"(constexpr\s+int\s+(?:kText\w*|[A-Z]\w*)\s*=\s*(\d+)\s*;)");
    const auto files = quenby_tests::quenbySources();
    QStringList missing;
    for (const auto& [name, src] : files) {
        ASSERT_FALSE(name.isEmpty()) << "unreadable: " << src.toStdString();
        for (auto m = call.globalMatch(src); m.hasNext();) {
            const auto match = m.next();
            const int id = (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1)).toInt();
            if (!TextTable::hasBuiltIn(id))
                missing << name + ": " + QString::number(id);
        }
    }
    EXPECT_FALSE(files.empty());
    EXPECT_TRUE(missing.isEmpty()) << missing.join("; ").toStdString();
}

TEST(BuiltInTexts, TableIsSortedAndCoversTheStartUpTexts)
{
    const QList<int> ids = TextTable::builtInIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    for (int id : {122, 123, 124, 125, 126, 201, 203, 204, 206, 207, 208, 209, 221, 809, 810, 811, 815, 816,
                   817, 818, 820, 823, 824, 825, 826, 830, 831, 832, 850, 856, 858, 859, 860, 861, 862, 863, 864,
                   865, 866, 867, 868, 872, 874, 875, 876, 1000})
        EXPECT_TRUE(TextTable::hasBuiltIn(id)) << id;
    for (int id = 231; id <= 255; ++id)
        EXPECT_EQ(TextTable::hasBuiltIn(id), id != 239) << id;
}
