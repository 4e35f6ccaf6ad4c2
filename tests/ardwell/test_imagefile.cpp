#include "ardwell/link/imagefile.h"
#include "platform/textfile.h"

#include <QDir>
#include <array>
#include <gtest/gtest.h>

using namespace ardwell;

namespace {

using Image = std::array<int, 4097>;

Image sentinels()
{
    Image img;
    img.fill(0x7777);
    return img;
}

} // namespace

TEST(ImageFile, SavesTheFirst256WordsWhateverTheModel)
{
    Image img{};
    img[0] = 0x00F0;
    img[5] = 0x1234;
    img[7] = -1; // an unread word
    img[255] = 0xBEEF;
    img[256] = 0x4444;
    const QStringList lines = imageFileLines(img);
    ASSERT_EQ(lines.size(), 256);
    EXPECT_EQ(lines[0], "0000 00F0");
    EXPECT_EQ(lines[5], "0005 1234");
    EXPECT_EQ(lines[7], "0007 FFFF");
    EXPECT_EQ(lines[255], "00FF BEEF");

    std::array<int, 3> shortImage{1, 2, 3};
    EXPECT_EQ(imageFileLines(shortImage)[200], "00C8 0000");
}

TEST(ImageFile, LinesAreReadByPosition)
{
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"0005 1234", {5, 0x1234}},
        {"000a abcd", {10, 0xABCD}},
        {"0005 12", {5, 0x1212}},      // word high byte and "last two" are the same characters
        {"0005 1G34", {5, 0x0134}},    // reading stops at a character that is no hex digit
        {" 005 1234", {5, 0x1234}},    // blanks inside a piece are skipped
        {"01FF-ABCD", {511, 0xABCD}},  // the fifth character is not looked at
        {"12", {0x1200, 0x0012}},      // missing pieces count as 0
        {"ZZZZ ZZZZ", {0, 0}},
    };
    for (const auto& [line, expected] : cases) {
        const ImageLine l = decodeImageLine(line);
        EXPECT_EQ(l.address, expected.first) << line;
        EXPECT_EQ(l.word, expected.second) << line;
    }
}

TEST(ImageFile, LoadingSetsWordsUpTo512AndSkipsBlankLines)
{
    Image img = sentinels();
    QStringList lines;
    for (int a = 0; a <= 0x1FF; ++a)
        lines << QStringLiteral("%1 %2").arg(a, 4, 16, QChar('0')).arg(a ^ 0x5555, 4, 16, QChar('0')).toUpper();
    lines << "0200 0102" << "0201 0304" << "FFFF FFFF";
    loadImageLines(img, lines);
    for (int a = 0; a <= 0x1FF; ++a)
        ASSERT_EQ(img[a], a ^ 0x5555) << a;
    EXPECT_EQ(img[512], 0x0102);
    EXPECT_EQ(img[513], 0x7777);
    EXPECT_EQ(img[4096], 0x7777);

    // Fewer lines leave the other words 0 (512 is not cleared); a blank line is no word 0.
    img = sentinels();
    loadImageLines(img, {"0000 FFFF", "", "   ", "0003 0012", "0004 ABCD"});
    EXPECT_EQ(img[0], 0xFFFF);
    EXPECT_EQ(img[3], 0x0012);
    EXPECT_EQ(img[1], 0);
    EXPECT_EQ(img[511], 0);
    EXPECT_EQ(img[512], 0x7777);

    // What was saved loads back.
    Image saved{};
    for (int a = 0; a < 256; ++a)
        saved[a] = (a * 2654435761u) & 0xFFFF;
    Image loaded = sentinels();
    loadImageLines(loaded, imageFileLines(saved));
    EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 512, loaded.begin()));

    std::array<int, 10> tiny{};
    tiny.fill(9);
    loadImageLines(tiny, {"0005 0001", "0009 0002", "000A 0003"});
    EXPECT_EQ(tiny, (std::array<int, 10>{0, 0, 0, 0, 0, 1, 0, 0, 0, 2}));
}

TEST(ImageFile, NameRulesLookAtTheFileNameOnly)
{
    EXPECT_EQ(imageSavePath("/w/image.dat"), "/w/image.txt");
    EXPECT_EQ(imageSavePath("/w/image"), "/w/image.txt");
    EXPECT_EQ(imageSavePath("/w/image.txt"), "/w/image.txt");
    EXPECT_EQ(imageSavePath("/w/my.images/scan"), "/w/my.images/scan.txt");
    EXPECT_EQ(imageSavePath("C:\\my.images\\scan"), "C:\\my.images\\scan.txt");
    EXPECT_EQ(imageSavePath("/w/a.b.c"), "/w/a.b.txt");
    EXPECT_EQ(imageLoadPath("/w/image"), "/w/image");
    EXPECT_EQ(imageLoadPath("/w/image.dat"), "/w/image.txt");
    EXPECT_EQ(imageLoadPath("/w/my.images/scan"), "/w/my.images/scan");
    EXPECT_EQ(plat::withExtension("run.1", ".csv", true), "run.csv");
}

TEST(ImageFile, BackupNames)
{
    const std::pair<const char*, const char*> table[] = {
        {"12345678", "5403xx19896"}, {"00000001", "0000xx00001"}, {"7FFFFFFF", "7FFFFFFF"},
        {"", "0000xx00000"}, {"3B9AC9FF", "9999xx99999"}, {"00989680", "0010xx00000"},
        {"0E92C620", "4542xx00000"},
        // From 3B9ACA00 (1,000,000,000) on, and below 0, the digits would repeat a lower
        // serial's name (4994F9A0 that of 0E92C620): the serial's own hex digits instead.
        {"4994F9A0", "4994F9A0"}, {"3B9ACA00", "3B9ACA00"}, {"7f6e5d4c", "7F6E5D4C"},
        {"80000000", "80000000"}, {"FFFFFFFF", "FFFFFFFF"}, {"FA0A1F00", "FA0A1F00"},
    };
    for (const auto& [serial, name] : table)
        EXPECT_EQ(backupName(serial), name) << serial;
    EXPECT_EQ(backupPath("/prog", "12345678"), "/prog/Backup/5403xx19896.txt");
}

TEST(ImageFile, TheCheckTakesOnlyWholeImagesOfAddressAndWord)
{
    Image img{};
    for (int a = 0; a < 256; ++a)
        img[a] = (a * 40503) & 0xFFFF;
    const QStringList saved = imageFileLines(img);
    EXPECT_FALSE(checkImageLines(saved, 255));
    EXPECT_FALSE(checkImageLines(saved.mid(0, 128), 127)); // words a 330 writes
    QStringList loose = saved;
    loose[7] = "\t0007 abcd  ";
    loose.insert(3, "");
    loose.insert(3, "   ");
    EXPECT_FALSE(checkImageLines(loose, 255));

    const auto fault = [&](int index, const QString& line, int last = 255) {
        QStringList lines = saved;
        if (index >= 0)
            lines[index] = line;
        const std::optional<ImageFileFault> f = checkImageLines(lines, last);
        return f ? QString::number(f->line) + ": " + f->what : QString("none");
    };
    const QString format = "not an address and a word of four hex digits each";
    for (const char* line : {"0005 12", "0005-1234", "0005  1234", "00051234", "0005 1G34", "+005 1234", "0005 12345",
                             "\x7F" "005 1234", "0x05 1234"})
        EXPECT_EQ(fault(5, line), "6: " + format) << line;
    EXPECT_EQ(fault(255, "0100 0000"), "256: address 0100 is beyond the last word, 00FF");
    EXPECT_EQ(fault(255, "FFFF FFFF"), "256: address FFFF is beyond the last word, 00FF");
    EXPECT_EQ(fault(200, "0003 0000"), "201: address 0003 a second time");
    EXPECT_EQ(fault(128, "007F 0000", 127), "129: address 007F a second time");
    EXPECT_EQ(fault(128, "", 255), "0: No line for address 0080");
    EXPECT_EQ(fault(128, "", 127), "none");
    const std::optional<ImageFileFault> none = checkImageLines({}, 127);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->line, 0);
    EXPECT_EQ(none->what, "No line for address 0000");

    EXPECT_FALSE(checkImageFileSize(64 * 1024));
    ASSERT_TRUE(checkImageFileSize(64 * 1024 + 1));
    EXPECT_EQ(imageFileRefusal("/w/x.txt", *checkImageFileSize(64 * 1024 + 1), "Nothing loaded"),
              "Not an EEPROM image file : " + QDir::toNativeSeparators("/w/x.txt") +
                  "\r\n\r\nLarger than any EEPROM image file (over 64 KB)\r\n\r\nNothing loaded");
}
