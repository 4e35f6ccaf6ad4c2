#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include "tests/support/testservices.h"

#include <gtest/gtest.h>

using namespace plat;
using testing_support::errNumber;

TEST(VbText, StrPutsABlankBeforeNumbersThatAreNotNegative)
{
    EXPECT_EQ(str(5), " 5");
    EXPECT_EQ(str(0), " 0");
    EXPECT_EQ(str(-5), "-5");
    EXPECT_EQ(str(qint64(-9223372036854775807LL - 1)), "-9223372036854775808");
    EXPECT_EQ(str(2.5), " 2.5");
    EXPECT_EQ(str(-2.0), "-2");
    EXPECT_EQ(str(0.5), " .5");
    EXPECT_EQ(str(-0.25), "-.25");
    EXPECT_EQ(str(-0.0), " 0");
    EXPECT_EQ(str(0.1 + 0.2), " .3"); // 15 significant digits hide the binary noise
    EXPECT_EQ(str(1e20), " 1E+20");
    EXPECT_EQ(str(0.00001), " 1E-05");
    EXPECT_EQ(str(12.345f), " 12.345"); // a float keeps its own 7 digits
}

TEST(VbText, CLngRoundsHalvesToEvenAndGuardsItsRange)
{
    EXPECT_EQ(cLng(2.5), 2);
    EXPECT_EQ(cLng(3.5), 4);
    EXPECT_EQ(cLng(-2.5), -2);
    EXPECT_EQ(cLng(-3.5), -4);
    EXPECT_EQ(cLng(2.5000001), 3);
    EXPECT_EQ(cLng(-0.4), 0);
    EXPECT_EQ(cLng(2147483647.4), 2147483647);
    EXPECT_EQ(cLng(-2147483648.5), -2147483648LL); // rounds to even, still in range
    EXPECT_EQ(errNumber([] { cLng(2147483647.5); }), 6);
    EXPECT_EQ(errNumber([] { cLng(std::nan("")); }), 6);
    EXPECT_EQ(cInt(32767.4), 32767);
    EXPECT_EQ(cInt(-32768.5), -32768);
    EXPECT_EQ(errNumber([] { cInt(32767.5); }), 6);
    EXPECT_EQ(intFloor(-2.1), -3);
    EXPECT_EQ(intFloor(2.9), 2);
}

TEST(VbText, ValReadsTheNumberATextBeginsWith)
{
    EXPECT_EQ(val(" 12abc"), 12);
    EXPECT_EQ(val("\t 7"), 7);
    EXPECT_EQ(val("-3.5e1x"), -35);
    EXPECT_EQ(val("2.5D2"), 250);
    EXPECT_EQ(val("1e"), 1); // an exponent without digits is not part of the number
    EXPECT_EQ(val(".5"), 0.5);
    EXPECT_EQ(val("+4"), 4);
    EXPECT_EQ(val("1.2.3"), 1.2);
    EXPECT_EQ(val(""), 0);
    EXPECT_EQ(val("-"), 0);
    EXPECT_EQ(val("abc"), 0);
    EXPECT_EQ(val("1 2"), 1);
    EXPECT_EQ(errNumber([] { val("1e999"); }), 6);
}

TEST(VbText, ValOfHexAndOctalTakesTheWidthOfItsValue)
{
    EXPECT_EQ(val("&HFF"), 255);
    EXPECT_EQ(val("&hff"), 255);
    EXPECT_EQ(val("&H7FFF"), 32767);
    EXPECT_EQ(val("&HFFFF"), -1);      // fits 16 bits: a signed 16-bit value
    EXPECT_EQ(val("&H8000"), -32768);
    EXPECT_EQ(val("&H10000"), 65536);  // wider: 32 bits
    EXPECT_EQ(val("&HFFFFFFFF"), -1);
    EXPECT_EQ(val("&H1G"), 1);
    EXPECT_EQ(val("&H"), 0);
    EXPECT_EQ(val("&HNone"), 0);
    EXPECT_EQ(val("&O17"), 15);
    EXPECT_EQ(val("&O8"), 0);
    EXPECT_EQ(errNumber([] { val("&H123456789"); }), 6);
}

TEST(VbText, FormatWritesDigitPatterns)
{
    EXPECT_EQ(format(7, "00"), "07");
    EXPECT_EQ(format(123, "00"), "123");
    EXPECT_EQ(format(5, "0000"), "0005");
    EXPECT_EQ(format(7.46, "#0.0"), "7.5");
    EXPECT_EQ(format(12.45, "#0.0"), "12.5"); // decimal halves go up although 12.45 is stored below
    EXPECT_EQ(format(0.05, "0.0"), "0.1");
    EXPECT_EQ(format(-2.5, "0"), "-3"); // away from zero, unlike cLng
    EXPECT_EQ(format(2.5, "0"), "3");
    EXPECT_EQ(format(9.96, "0.0"), "10.0");
    EXPECT_EQ(format(99.5, "##0"), "100");
    EXPECT_EQ(format(0, "#"), "");
    EXPECT_EQ(format(0, "##0"), "0");
    EXPECT_EQ(format(42, "#"), "42");
    EXPECT_EQ(format(0.256, "#0.00"), "0.26");
    EXPECT_EQ(format(0.5, "#.0"), ".5");
    EXPECT_EQ(format(-0.04, "0.0"), "0.0");
    EXPECT_EQ(format(1e16, "0"), "10000000000000000");
}

TEST(VbText, FormatCopiesLiteralsAroundTheDigits)
{
    EXPECT_EQ(format(5, " 000 "), " 005 ");
    EXPECT_EQ(format(12, "000    "), "012    ");
    EXPECT_EQ(format(3.14159, "#0.0 "), "3.1 ");
    EXPECT_EQ(format(3, "   0  "), "   3  ");
    EXPECT_EQ(format(1, "abc"), "abc");
}

TEST(VbText, HexU)
{
    EXPECT_EQ(hexU(0), "0");
    EXPECT_EQ(hexU(255), "FF");
    EXPECT_EQ(hexU(0x1A2B), "1A2B");
    EXPECT_EQ(hexU(-1), "FFFFFFFF");
    EXPECT_EQ(hexU(-256), "FFFFFF00");
}

TEST(VbText, HexDigitOfEitherCaseAndNothingElse)
{
    const std::pair<QChar, int> rows[] = {{u'0', 0}, {u'9', 9}, {u'A', 10}, {u'f', 15}, {u'F', 15},
                                          {u'G', -1}, {u'g', -1}, {u'/', -1}, {u':', -1}, {u'@', -1},
                                          {u' ', -1}, {QChar(0xFF10), -1}};
    for (const auto& [c, value] : rows)
        EXPECT_EQ(hexDigit(c), value) << int(c.unicode());
}

TEST(VbText, SubstringsNeverFailPastTheEnds)
{
    const QString s = "ABCDE";
    EXPECT_EQ(left(s, 2), "AB");
    EXPECT_EQ(left(s, 99), "ABCDE");
    EXPECT_EQ(left(s, -1), "");
    EXPECT_EQ(right(s, 2), "DE");
    EXPECT_EQ(right(s, 99), "ABCDE");
    EXPECT_EQ(right(s, 0), "");
    EXPECT_EQ(mid(s, 2, 3), "BCD");
    EXPECT_EQ(mid(s, 4), "DE");
    EXPECT_EQ(mid(s, 4, 100), "DE");
    EXPECT_EQ(mid(s, 6), "");
    EXPECT_EQ(mid(s, 1000, 2), "");
    EXPECT_EQ(mid(s, 2, 0), "");
    EXPECT_EQ(mid(QString(), 1, 1), "");
    EXPECT_EQ(errNumber([&] { mid(s, 0, 1); }), 5);
    EXPECT_EQ(space(3), "   ");
    EXPECT_EQ(space(-2), "");
}

TEST(VbText, Hex2AndHex4TakeTheLowByteAndWord)
{
    EXPECT_EQ(plat::hex2(0x7), "07");
    EXPECT_EQ(plat::hex2(0x1AB), "AB");
    EXPECT_EQ(plat::hex2(255), "FF");
    EXPECT_EQ(plat::hex2(256), "00");
    EXPECT_EQ(plat::hex2(-1), "FF");
    EXPECT_EQ(plat::hex4(0x12345), "2345");
    EXPECT_EQ(plat::hex4(-2), "FFFE");
    EXPECT_EQ(plat::hex4(0), "0000");
    EXPECT_EQ(plat::hex4(10), "000A");
    EXPECT_EQ(plat::hex4(0x1234), "1234");
}
