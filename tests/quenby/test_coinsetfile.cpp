// The coin set reader and its whole-file check: good sets of each family decoded record by record,
// every class of bad set refused with one verdict, headers left to the type and maker messages,
// coin names, file name rules, and a fuzzed reader that never half-fills its result.
#include "platform/textfile.h"
#include "quenby/clonewizard/coinsetfile.h"
#include "quenby/shell/texts.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <random>

using namespace quenby;

namespace {

using Outcome = CoinsetCheck::Outcome;

QStringList marsSet()
{
    return {
        R"("Mars.ME111","UK coins, 2K","QZ1234567","1.2.3")",
        R"("2K",1,1,0,0,100,300,150,350,200,400)",
        "CD,10p,A1,15,3,-5,3,5,10,2,0,2,0,10,M,-20,M,20,12",
        "CD,20p,B1,10,3,-5,3,5,10,3,-5,3,5,10,3,-5,3,5,10",
        "R,Ref one,R01,12,10,10,10",
        "CR,50p,C2,01,-10,01,12,5,1,-8,1,8,5,01,-3,01,3,5",
        "CO,keep,D1,F4",
        "S,washer,20,4,15,4,15,4,15",
        "V,5,10,20,50,100,200,0,0,0,0,0,0,0,0,0,0,5",
        "X,not a record type",
        "D,ZZZ,1,2",
    };
}

// 72 parameter slots, 12 output pairs, 12 packed inhibit characters.
QString nriCoinData() { return QString(72, u'3') + QString(24, u'A') + QStringLiteral("1234567890:;"); }

QStringList nriSet()
{
    return {
        "NRI.G13-6000,Euro,EU136,7",
        "line 2 is skipped",
        "CD,1 Euro,Coin 05,10,2,0,2,0,15,2,0,2,0,15,2,0,2,0,15,2,0,2,0,15,2,0,2,0,15,2,0,2,0,15",
        "S,slug,10,2,20,2,20,2,20,2,20,2,20,2,20,Coin 03",
        "D,G13-6000P," + nriCoinData(),
        "D,G13-6000X,1,2,3,4,5,6",
        "D,G10-4000/5R,route a,route b",
    };
}

QStringList ccSet(const QString& model, const QStringList& records)
{
    return QStringList{"CC." + model + ",Euro,EU,1", ""} + records;
}

CoinsetCheck check(const QStringList& lines, const QString& family = "Mars")
{
    return checkCoinset("/home/tech/CoinSets/set.cst", lines, familyNamed(family));
}

// The verdict of a set that must be refused; fails the test when it is not.
CoinsetVerdict refused(const QStringList& lines, const QString& family = "Mars")
{
    const CoinsetCheck c = check(lines, family);
    EXPECT_EQ(c.outcome, Outcome::Invalid);
    EXPECT_TRUE(c.records.empty());
    EXPECT_FALSE(c.mars.has_value());
    return c.verdict;
}

QStringList withLine(QStringList lines, int line, const QString& text)
{
    lines[line - 1] = text;
    return lines;
}

QString cd(const QString& name, const QString& count = "10", int params = 3)
{
    QString s = "CD,coin," + name + "," + count;
    for (int p = 0; p < params; ++p)
        s += ",2,0,2,0,10";
    return s;
}

} // namespace

TEST(Coinnumber, NamesGiveChannels)
{
    const std::pair<const char*, qint32> cases[] = {
        {"A1", 1}, {"F1", 6},     {"A2", 7},   {"F4", 24}, {"R12", 12}, {"R03", 3}, {"Coin 05", 5}, {"Coin 12", 12},
        {"9", 9},  {"12abc", 12}, {"Slug", 0}, {"", 0},    {"A", 1},    {"C7", 3},  {"R1", 0}, // only the last two
                                                                                               // characters count
    };
    for (const auto& [name, channel] : cases)
        EXPECT_EQ(coinnumber(name), channel) << name;
    EXPECT_THROW(coinnumber("99999999999"), plat::RuntimeError);
}

TEST(CoinsetFile, MarsSetDecodesEveryRecord)
{
    const CoinsetCheck c = check(marsSet());
    ASSERT_EQ(c.outcome, Outcome::Accepted) << coinsetVerdictText(c.verdict, TextTable()).toStdString();
    EXPECT_EQ(c.header.family, "Mars");
    EXPECT_EQ(c.header.model, "ME111");
    EXPECT_EQ(c.header.title, "UK coins, 2K");
    EXPECT_EQ(c.header.refCode, "QZ1234567");
    EXPECT_EQ(c.header.version, "1.2.3");
    ASSERT_TRUE(c.mars);
    EXPECT_TRUE(c.mars->size2K);
    EXPECT_EQ(c.mars->segments, (std::array<qint32, 4>{1, 1, 0, 0}));
    EXPECT_EQ(c.mars->idleLimits, (std::array<qint32, 6>{100, 300, 150, 350, 200, 400}));
    EXPECT_TRUE(c.mars->idleInRange({300, 150, 400}));
    EXPECT_FALSE(c.mars->idleInRange({301, 150, 400}));
    EXPECT_FALSE(c.mars->idleInRange({100, 149, 400}));

    ASSERT_EQ(c.records.size(), 9u);
    const CoinsetRecord& a1 = c.records[0];
    EXPECT_EQ(a1.line, 3);
    EXPECT_EQ(a1.type, RecordType::CoinDrop);
    EXPECT_EQ(a1.description, "10p");
    EXPECT_EQ(a1.channel, 1);
    EXPECT_EQ(a1.count, 15);
    ASSERT_EQ(a1.limits.size(), 3u);
    EXPECT_EQ(a1.limits[0], (LimitRecipe{"3*SD", -5, "3*SD", 5, 10, 0}));
    EXPECT_EQ(a1.limits[2], (LimitRecipe{"Mean", -20, "Mean", 20, 12, 0}));

    const CoinsetRecord& ref = c.records[2];
    EXPECT_EQ(ref.type, RecordType::Reference);
    EXPECT_EQ(ref.channel, 1);
    EXPECT_EQ(ref.tolerances, (std::vector<qint32>{10, 10, 10}));

    const CoinsetRecord& cr = c.records[3];
    EXPECT_EQ(cr.type, RecordType::RefCoin);
    EXPECT_EQ(cr.channel, 9);
    EXPECT_EQ(cr.limits[0], (LimitRecipe{"Ref 01", -10, "Ref 01", 12, 5, 1}));
    EXPECT_EQ(cr.limits[1], (LimitRecipe{"Ref 1", -8, "Ref 1", 8, 5, 1}));

    EXPECT_EQ(c.records[4].type, RecordType::CopyCoin);
    EXPECT_EQ(c.records[4].channel, 4);
    EXPECT_EQ(c.records[4].sourceChannel, 24);

    const CoinsetRecord& slug = c.records[5];
    EXPECT_EQ(slug.type, RecordType::Slug);
    EXPECT_EQ(slug.name, "Slug");
    EXPECT_EQ(slug.channel, 0);
    EXPECT_EQ(slug.slugOffsets, (std::vector<qint32>{4, 4, 4}));

    EXPECT_EQ(c.records[6].values, (std::vector<qint32>{5, 10, 20, 50, 100, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}));
    EXPECT_EQ(c.records[7].type, RecordType::Other);
    EXPECT_EQ(c.records[8].type, RecordType::Other); // a D key nobody knows
}

TEST(CoinsetFile, NriAndCcDataRecords)
{
    const CoinsetCheck n = check(nriSet(), "NRI");
    ASSERT_EQ(n.outcome, Outcome::Accepted) << coinsetVerdictText(n.verdict, TextTable()).toStdString();
    EXPECT_FALSE(n.mars);
    EXPECT_EQ(n.records[1].name, "Coin 03"); // a G13-6000 slug names its channel
    EXPECT_EQ(n.records[1].channel, 3);
    EXPECT_EQ(n.records[2].key, "G13-6000P");
    EXPECT_EQ(n.records[2].texts, QStringList{nriCoinData()});
    EXPECT_EQ(n.records[3].values, (std::vector<qint32>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(n.records[4].texts, (QStringList{"route a", "route b"}));

    // "120M": x-hex as 16-bit up to four digits, 32-bit beyond, less 32768; decimals only 1..6.
    const CoinsetCheck m =
        check(ccSet("C120", {cd("Coin 01"), "D,120M,x8001,7,3,xFFFFFFFF,x1,0,6,ten,1.5,2.5,x7FFF,x0000"}), "CC");
    ASSERT_EQ(m.outcome, Outcome::Accepted) << coinsetVerdictText(m.verdict, TextTable()).toStdString();
    EXPECT_EQ(m.records[1].values, (std::vector<qint32>{-65535, 0, 3, -32769, -32767, 0, 6, 0, 2, 2, -1, -32768}));
    const CoinsetCheck r = check(
        ccSet("435", {cd("Coin 16", "10", 5), "D,120N,7,1,6,0,2,2,2,2,2,2,2,9", "D,435R" + QString(",1").repeated(23)}),
        "CC");
    ASSERT_EQ(r.outcome, Outcome::Accepted) << coinsetVerdictText(r.verdict, TextTable()).toStdString();
    EXPECT_EQ(r.records[1].values, (std::vector<qint32>{0, 1, 6, 0, 2, 2, 2, 2, 2, 2, 2, 0}));
    EXPECT_EQ(r.records[2].values.size(), 23u);
}

TEST(CoinsetFile, HeaderOfAnotherFamilyOrModelKeepsTheTypeMessages)
{
    for (const char* head : {"CC.ME181,t,r,v", "Mars.ME999,t,r,v", "Mars,t,r,v", "mars.ME111,t,r,v", ""}) {
        const CoinsetCheck c = check({head}); // nothing after line 1 is looked at
        EXPECT_EQ(c.outcome, Outcome::HeaderRejected) << head;
        EXPECT_TRUE(c.records.empty());
    }
    const CoinsetCheck c = check({"CC.ME181,t,r,v"});
    EXPECT_EQ(c.header.family, "CC");
    EXPECT_EQ(c.header.model, "ME181");
    EXPECT_EQ(check({"CC.ME181,t,r,v"}, "CC").outcome, Outcome::HeaderRejected);
}

TEST(CoinsetFile, EmptyAndTruncatedSetsAreRefused)
{
    EXPECT_EQ(coinsetVerdictText(refused({}), TextTable()), "File: set.cst\r\nThe file is empty.");

    const CoinsetVerdict lineOneOnly = refused({marsSet()[0]});
    EXPECT_EQ(lineOneOnly.fault, CoinsetFault::Truncated);
    EXPECT_EQ(lineOneOnly.line, 2);
    EXPECT_EQ(refused({nriSet()[0]}, "NRI").fault, CoinsetFault::Truncated);

    // A record cut short: the last line lost its tolerance of parameter 3.
    QStringList cut = marsSet();
    cut << "CD,cut,E1,10,3,-5,3,5,10,3,-5,3,5,10,3,-5,3,5";
    const CoinsetVerdict v = refused(cut);
    EXPECT_EQ(v.fault, CoinsetFault::FieldCount);
    EXPECT_EQ(coinsetVerdictText(v, TextTable()),
              "File: set.cst\r\nLine 12\r\nThe line has 18 fields; 19 expected (3 parameters of ME111).");

    // A set with no coin record would transfer empty windows.
    EXPECT_EQ(refused({marsSet()[0], marsSet()[1], "S,washer,20,4,15,4,15,4,15"}).fault, CoinsetFault::NoCoinRecords);
    EXPECT_EQ(refused({marsSet()[0], marsSet()[1]}).fault, CoinsetFault::NoCoinRecords);
}

TEST(CoinsetFile, WrongFieldCounts)
{
    // Two parameter groups on a three-parameter model.
    CoinsetVerdict v = refused(withLine(marsSet(), 4, cd("B1", "10", 2)));
    EXPECT_EQ(v.fault, CoinsetFault::FieldCount);
    EXPECT_EQ(v.line, 4);
    EXPECT_EQ(v.detail, "The line has 14 fields; 19 expected (3 parameters of ME111).");
    // Four groups are as wrong as two; a trailing comma is not a field.
    EXPECT_EQ(refused(withLine(marsSet(), 4, cd("B1", "10", 4))).fault, CoinsetFault::FieldCount);
    EXPECT_EQ(check(withLine(marsSet(), 4, cd("B1") + ",")).outcome, Outcome::Accepted);

    EXPECT_EQ(refused(ccSet("435", {cd("Coin 01", "10", 5), "D,435R" + QString(",1").repeated(22)}), "CC").fault,
              CoinsetFault::FieldCount);
    EXPECT_EQ(refused(withLine(marsSet(), 1, "Mars.ME111,title only")).line, 1);
    EXPECT_EQ(refused(withLine(marsSet(), 2, "2K,1,1,0,0,100,300,150,350,200")).line, 2);
}

TEST(CoinsetFile, FieldsThatAreNoNumber)
{
    CoinsetVerdict v = refused(withLine(marsSet(), 3, "CD,10p,A1,15,3,-5,3,5,x,2,0,2,0,10,M,-20,M,20,12"));
    EXPECT_EQ(v.fault, CoinsetFault::NotNumber);
    EXPECT_EQ(v.field, 9);
    EXPECT_EQ(v.fieldName, "flier tolerance of parameter 1");
    EXPECT_EQ(coinsetVerdictText(v, TextTable()), "File: set.cst\r\nLine 3, field 9 (flier tolerance of parameter 1): \"x\"\r\n"
                                     "A number is expected.");

    v = refused(withLine(marsSet(), 8, "S,washer,ten,4,15,4,15,4,15"));
    EXPECT_EQ(v.fault, CoinsetFault::NotNumber);
    EXPECT_EQ(v.field, 3);
    v = refused(ccSet("C120", {cd("Coin 01"), "D,120M,xZZ,1,1,1,1,1,1,1,1,1,1,1"}), "CC");
    EXPECT_EQ(v.fault, CoinsetFault::BadHex);
    EXPECT_EQ(v.field, 3);
    EXPECT_EQ(refused(withLine(marsSet(), 3, "CD,10p,A1,15,3,5-,3,5,10,2,0,2,0,10,M,-20,M,20,12")).fault,
              CoinsetFault::NotNumber);
    EXPECT_EQ(refused(withLine(marsSet(), 3, "CD,10p,A1,15,3,,3,5,10,2,0,2,0,10,M,-20,M,20,12")).fault,
              CoinsetFault::NotNumber);
    EXPECT_EQ(refused(withLine(marsSet(), 3, "CD,10p,A1,15,3,-5,3,5,-1,2,0,2,0,10,M,-20,M,20,12")).fault,
              CoinsetFault::OutOfRange); // a negative tolerance
    EXPECT_EQ(refused(withLine(marsSet(), 3, "CD,10p,A1,15,Q,-5,3,5,10,2,0,2,0,10,M,-20,M,20,12")).fault,
              CoinsetFault::BadSource);
    EXPECT_EQ(refused(withLine(marsSet(), 2, "2K,1,2,0,0,100,300,150,350,200,400")).fault, CoinsetFault::OutOfRange);
    EXPECT_EQ(refused(withLine(marsSet(), 2, "2K,1,1,0,0,100,300,abc,350,200,400")).fault, CoinsetFault::NotNumber);
    // Values of V records are read by the number they begin with, but must fit.
    EXPECT_EQ(check(withLine(marsSet(), 9, "V,5p,10,20,50,100,200,0,0,0,0,0,0,0,0,0,0,5")).outcome, Outcome::Accepted);
    EXPECT_EQ(refused(withLine(marsSet(), 9, "V,1e99,10,20,50,100,200,0,0,0,0,0,0,0,0,0,0,5")).fault,
              CoinsetFault::OutOfRange);
    // A number that does not fit 32 bits is refused where an offset must be a number.
    EXPECT_EQ(refused(withLine(marsSet(), 3, "CD,10p,A1,15,3,99999999999,3,5,10,2,0,2,0,10,M,-20,M,20,12")).fault,
              CoinsetFault::OutOfRange);
}

TEST(CoinsetFile, NamesAndReferencesOutsideTheModel)
{
    CoinsetVerdict v = refused(withLine(marsSet(), 3, cd("G7")));
    EXPECT_EQ(v.fault, CoinsetFault::UnknownCoin);
    EXPECT_EQ(v.field, 3);
    EXPECT_EQ(v.value, "G7");
    for (const char* bad : {"A5", "A0", "a1", " A1", "Coin 25", "25", "0", "Slug", ""})
        EXPECT_EQ(refused(withLine(marsSet(), 3, cd(bad))).fault, CoinsetFault::UnknownCoin) << bad;
    // ME181 has two segments of six coins.
    QStringList me181 = marsSet();
    me181[0] = "Mars.ME181,t,r,v";
    me181[6] = "CO,keep,D1,F2";
    EXPECT_EQ(check(me181).outcome, Outcome::Accepted);
    EXPECT_EQ(refused(withLine(me181, 4, cd("A3"))).fault, CoinsetFault::UnknownCoin);

    EXPECT_EQ(refused(ccSet("C120", {cd("Coin 17")}), "CC").fault, CoinsetFault::UnknownCoin);
    EXPECT_EQ(check(ccSet("C120", {cd("Coin 12")}), "CC").outcome, Outcome::Accepted);
    EXPECT_EQ(refused(withLine(marsSet(), 7, "CO,keep,D1,G1")).field, 4);

    v = refused(withLine(marsSet(), 5, "R,Ref one,R13,12,10,10,10"));
    EXPECT_EQ(v.fault, CoinsetFault::UnknownCoin);
    v = refused(withLine(marsSet(), 6, "CR,50p,C2,01,-10,99,12,5,1,-8,1,8,5,01,-3,01,3,5"));
    EXPECT_EQ(v.fault, CoinsetFault::BadReference);
    EXPECT_EQ(v.field, 6);
    for (const char* ref : {"0", "13", "x1", "112", "1 "})
        EXPECT_EQ(
            refused(withLine(marsSet(), 6, QString("CR,50p,C2,01,-10,%1,12,5,1,-8,1,8,5,01,-3,01,3,5").arg(ref))).fault,
            CoinsetFault::BadReference)
            << ref;
    // A named slug must name a channel of the model.
    QStringList nri = nriSet();
    nri[3] = "S,slug,10,2,20,2,20,2,20,2,20,2,20,2,20,Slug";
    EXPECT_EQ(refused(nri, "NRI").fault, CoinsetFault::UnknownCoin);
}

TEST(CoinsetFile, OverlongSetsAreRefused)
{
    QStringList longLine = marsSet();
    longLine[2] = "CD," + QString(100000, u'x');
    CoinsetVerdict v = refused(longLine);
    EXPECT_EQ(v.fault, CoinsetFault::LineTooLong);
    EXPECT_EQ(v.line, 3);
    // A long description is fine up to the limit.
    const QString base = cd("A1");
    QString edge = base;
    edge.replace("coin", QString(kMaxLineLength - base.size() + 4, u'd'));
    ASSERT_EQ(edge.size(), kMaxLineLength);
    EXPECT_EQ(check(withLine(marsSet(), 3, edge)).outcome, Outcome::Accepted);
    EXPECT_EQ(refused(withLine(marsSet(), 3, edge + "d")).fault, CoinsetFault::LineTooLong);

    // 100 gathered records fit the tables; the 101st does not. Other records do not count.
    QStringList hundred = {marsSet()[0], marsSet()[1], "CO,keep,D1,D1", "V,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1"};
    for (int i = 0; i < 100; ++i)
        hundred << cd(QString("%1").arg(i % 24 + 1));
    EXPECT_EQ(check(hundred).outcome, Outcome::Accepted);
    v = refused(hundred + QStringList{"S,washer,20,4,15,4,15,4,15"});
    EXPECT_EQ(v.fault, CoinsetFault::TooManyRecords);
    EXPECT_EQ(v.line, 105);

    EXPECT_EQ(check(withLine(marsSet(), 3, cd("A1", "500"))).outcome, Outcome::Accepted);
    v = refused(withLine(marsSet(), 3, cd("A1", "501")));
    EXPECT_EQ(v.fault, CoinsetFault::OutOfRange);
    EXPECT_EQ(v.fieldName, "number of coins");
    EXPECT_EQ(refused(withLine(marsSet(), 3, cd("A1", "0"))).fault, CoinsetFault::OutOfRange);
    EXPECT_EQ(refused(withLine(marsSet(), 8, "S,washer,501,4,15,4,15,4,15")).fault, CoinsetFault::OutOfRange);

    EXPECT_EQ(refused(ccSet("C120", {cd("Coin 01"), "D,120M,x123456789,1,1,1,1,1,1,1,1,1,1,1"}), "CC").fault,
              CoinsetFault::BadHex);
    EXPECT_EQ(refused(ccSet("C120", {cd("Coin 01"), "D,120M,x,1,1,1,1,1,1,1,1,1,1,1"}), "CC").fault,
              CoinsetFault::BadHex);
    // Eight digits whose value less 32768 leaves 32 bits.
    EXPECT_EQ(refused(ccSet("C120", {cd("Coin 01"), "D,120M,x80000000,1,1,1,1,1,1,1,1,1,1,1"}), "CC").fault,
              CoinsetFault::OutOfRange);
}

TEST(CoinsetFile, NriCoinDataAsTheDecoderReadsIt)
{
    EXPECT_EQ(nriCoinDataFault(nriCoinData(), 6, 12), 0);
    QString d = nriCoinData();
    d[4] = u'G';
    EXPECT_EQ(nriCoinDataFault(d, 6, 12), 5);
    d = nriCoinData();
    d[80] = u' ';
    EXPECT_EQ(nriCoinDataFault(d, 6, 12), 81);
    EXPECT_EQ(nriCoinDataFault(nriCoinData().left(107), 6, 12), 108);
    EXPECT_EQ(nriCoinDataFault("", 6, 12), 1);
    // Packed characters may be anything; more characters than needed are not read.
    EXPECT_EQ(nriCoinDataFault(nriCoinData().left(96) + "~~~~~~~~~~~~~~~", 6, 12), 0);

    QStringList nri = nriSet();
    nri[4] = "D,G13-6000P," + nriCoinData().left(100);
    const CoinsetVerdict v = refused(nri, "NRI");
    EXPECT_EQ(v.fault, CoinsetFault::BadCoinData);
    EXPECT_EQ(v.line, 5);
    EXPECT_EQ(v.value.size(), 43); // shown cut short
}

TEST(CoinsetFile, FileNameRules)
{
    EXPECT_EQ(coinsetFilePath("/q/CoinSets/set.txt"), "/q/CoinSets/set.cst");
    EXPECT_EQ(coinsetFilePath("/q/CoinSets/set.old.txt"), "/q/CoinSets/set.old.cst");
    EXPECT_EQ(coinsetFilePath("/q/sets.v2/set"), "/q/sets.v2/set");
    EXPECT_EQ(coinsetFilePath(R"(C:\sets.v2\set)"), R"(C:\sets.v2\set)");
    EXPECT_EQ(coinsetFilePath("set"), "set");
    EXPECT_TRUE(isGenericCoinset("/q/CoinSets/qz335.cst"));
    EXPECT_TRUE(isGenericCoinset("Qz"));
    EXPECT_FALSE(isGenericCoinset("/q/QZ/set.cst"));
    EXPECT_FALSE(isGenericCoinset(R"(C:\QZsets\set.cst)"));
    EXPECT_EQ(fileNameOf(R"(C:\a/b\c.cst)"), "c.cst");
}

TEST(CoinsetFile, FileOnDiskAndOneThatCannotBeRead)
{
    const QString dir = QDir::tempPath() + "/coinset_" + QString::number(QCoreApplication::applicationPid());
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(plat::writeLines(dir + "/set.cst", marsSet()));
    EXPECT_EQ(readCoinsetFile(dir + "/set.cst", Family::Mars).outcome, Outcome::Accepted);
    const CoinsetCheck missing = readCoinsetFile(dir + "/none.cst", Family::Mars);
    EXPECT_EQ(missing.outcome, Outcome::Invalid);
    EXPECT_EQ(missing.verdict.fault, CoinsetFault::Unreadable);
    EXPECT_EQ(missing.verdict.fileName, "none.cst");
    QDir(dir).removeRecursively();
}

TEST(CoinsetFile, RecordSettingsForTheGathering)
{
    const CoinsetCheck c = check(marsSet());
    ASSERT_TRUE(c.accepted());
    RecordStats s;
    std::array<qint32, 7> tol{};
    applyRecordSettings(c.records[0], s, tol, 3);
    EXPECT_EQ(s.recordMode, 1);
    EXPECT_EQ(s.recordKind, kCoinRecord);
    EXPECT_EQ(s.limitSource[0], "3*SD");
    EXPECT_EQ(s.limitSource[3], "2*SD");
    EXPECT_EQ(s.limitSource[5], "Mean");
    EXPECT_EQ(s.limitOffset, (std::array<qint32, 13>{0, -5, 5, 0, 0, -20, 20}));
    EXPECT_EQ(tol, (std::array<qint32, 7>{0, 10, 10, 12}));

    applyRecordSettings(c.records[3], s, tol, 3); // CR: captions only, mode kept
    EXPECT_EQ(s.recordMode, 1);
    EXPECT_EQ(s.limitSource[0], "Ref 01");
    EXPECT_EQ(s.limitSource[3], "Ref 1");
    EXPECT_EQ(tol, (std::array<qint32, 7>{0, 5, 5, 5}));

    applyRecordSettings(c.records[5], s, tol, 3);
    EXPECT_EQ(s.recordMode, 2);
    EXPECT_EQ(s.recordKind, kSlugRecord);
    EXPECT_EQ(s.slugOffset, (std::array<qint32, 7>{0, 4, 4, 4}));
    EXPECT_EQ(tol, (std::array<qint32, 7>{0, 15, 15, 15}));

    applyRecordSettings(c.records[2], s, tol, 3);
    EXPECT_EQ(s.recordMode, 3);
    EXPECT_EQ(s.recordKind, kCoinRecord);
    for (int L = 0; L < 6; ++L) {
        EXPECT_EQ(s.limitSource[std::size_t(L)], "Mean");
        EXPECT_EQ(s.limitOffset[std::size_t(L + 1)], 0);
    }
}

// Mutated good sets and raw bytes: the reader never throws, and a set is either whole and within
// every bound, or refused with nothing in it.
TEST(CoinsetFile, FuzzedSetsAreWholeOrRefused)
{
    std::mt19937 rng(20261207);
    const QString alphabet = QStringLiteral("0123456789ABCDEFRx,\"-. CDSVRMLH3\t\xe9");
    const QStringList seeds[] = {marsSet(), nriSet(), ccSet("435", {cd("Coin 16", "10", 5)})};
    const QString families[] = {"Mars", "NRI", "CC"};
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        const int which = round % 3;
        QStringList lines = seeds[which];
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits && !lines.isEmpty(); ++e) {
            QString& line = lines[int(rng() % lines.size())];
            const int pos = line.isEmpty() ? 0 : int(rng() % line.size());
            switch (rng() % 6) {
            case 0:
                line.insert(pos, alphabet[int(rng() % alphabet.size())]);
                break;
            case 1:
                line.remove(pos, 1 + int(rng() % 3));
                break;
            case 2:
                if (!line.isEmpty())
                    line[pos] = alphabet[int(rng() % alphabet.size())];
                break;
            case 3: {
                const QString copy = line;
                lines.insert(int(rng() % (lines.size() + 1)), copy);
                break;
            }
            case 4:
                lines.removeAt(int(rng() % lines.size()));
                break;
            default:
                line.truncate(pos);
                break;
            }
        }
        if (round % 50 == 0) { // raw bytes as a file holds them
            QByteArray bytes;
            for (int i = int(rng() % 400); i > 0; --i)
                bytes += char(rng() % 256);
            lines = plat::splitLines(bytes);
        }
        const CoinsetCheck c = checkCoinset("fuzz.cst", lines, familyNamed(families[which]));
        if (c.outcome == Outcome::Invalid) {
            ASSERT_TRUE(c.records.empty());
            ASSERT_FALSE(c.mars);
            ASSERT_FALSE(coinsetVerdictText(c.verdict, TextTable()).isEmpty());
            continue;
        }
        if (c.outcome == Outcome::HeaderRejected) {
            ASSERT_TRUE(c.records.empty());
            continue;
        }
        ++accepted;
        int gathered = 0;
        for (const CoinsetRecord& r : c.records) {
            gathered += r.gathers() ? 1 : 0;
            if (r.type == RecordType::CoinDrop || r.type == RecordType::RefCoin || r.type == RecordType::CopyCoin) {
                ASSERT_GE(r.channel, 1);
                ASSERT_LE(r.channel, 24);
                ASSERT_EQ(coinnumber(r.name), r.channel);
            }
            if (r.gathers()) {
                if (r.type != RecordType::Slug) {
                    ASSERT_EQ(coinnumber(r.name), r.channel);
                }
                ASSERT_GE(r.count, 1);
                ASSERT_LE(r.count, kMaxCoinCount);
            }
            for (const LimitRecipe& l : r.limits) {
                ASSERT_GE(l.tolerance, 0);
                ASSERT_FALSE(l.lowSource.isEmpty());
            }
            RecordStats s;
            std::array<qint32, 7> tol{};
            applyRecordSettings(r, s, tol, which == 2 ? 5 : which == 1 ? 6 : 3);
        }
        ASSERT_LE(gathered, kMaxGatheredRecords);
    }
    EXPECT_GT(accepted, 100); // the mutations leave enough good sets to check the accepted side
}

TEST(CoinsetFile, EverySampleSetIsAcceptedForItsFamily)
{
    const QDir dir(QStringLiteral(COINSETS_DIR));
    const QStringList files = dir.entryList({"*.cst"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 11);
    for (const QString& f : files) {
        const QString family = plat::readLines(dir.filePath(f)).lines.value(0).section(',', 0, 0).remove('"').section('.', 0, 0);
        const CoinsetCheck c = readCoinsetFile(dir.filePath(f), familyNamed(family));
        EXPECT_EQ(c.outcome, Outcome::Accepted) << f.toStdString() << ": "
                                                << coinsetVerdictText(c.verdict, TextTable()).toStdString();
        EXPECT_FALSE(c.records.empty()) << f.toStdString();
    }
}

TEST(CoinsetFile, VerdictsSpeakTheLanguageLoaded)
{
    TextTable german;
    german.languageName = "Deutsch";
    german.textTableLoaded = true;
    for (int id : TextTable::builtInIds())
        german.textTable[std::size_t(id)] = TextTable::builtInText(id);
    german.textTable[566] = "Datei: ";
    german.textTable[567] = "Zeile ";
    german.textTable[568] = ", Feld ";
    german.textTable[586] = "Toleranz von Parameter %1";
    german.textTable[583] = "Eine Zahl fehlt.";
    const QStringList lines = {"\"CC.C120\",\"t\",\"r\",\"v\"", "\"-\"", "CD,5p,Coin 01,15,3,0,3,0,x,3,0,3,0,10,3,0,3,0,10"};
    const CoinsetCheck c = checkCoinset("set.cst", lines, Family::CC, german);
    ASSERT_EQ(c.outcome, Outcome::Invalid);
    EXPECT_EQ(coinsetVerdictText(c.verdict, german).toStdString(),
              "Datei: set.cst\r\nZeile 3, Feld 9 (Toleranz von Parameter 1): \"x\"\r\nEine Zahl fehlt.");
}
