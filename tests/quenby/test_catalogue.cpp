#include "quenby/link/familytable.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"

#include <QFile>
#include <QTemporaryDir>

using namespace quenby;

namespace {

struct Shape {
    int paramCount, coinCount, coinsPerSegment, segmentCount, memorySize;
    bool operator==(const Shape&) const = default;
};

Shape shapeOf(const ModelParams& p)
{
    return {p.paramCount, p.coinCount, p.coinsPerSegment, p.segmentCount, p.memorySize};
}

QStringList names(const ModelParams& p)
{
    QStringList out;
    for (int k = 0; k < 6; ++k)
        out << p.paramNames[k];
    return out;
}

void PrintTo(const Shape& s, std::ostream* os)
{
    *os << s.paramCount << "/" << s.coinCount << "/" << s.coinsPerSegment << "/" << s.segmentCount << "/"
        << s.memorySize;
}

const QStringList kDefaultNames{"Parameter1", "Parameter2", "Parameter3", "Parameter4", "Parameter5", "Parameter6"};

} // namespace

TEST(Catalogue, MarsIgnoresTheModelName)
{
    const TextTable texts;
    for (const QString model : {"ME181", "MS1400", "nonsense", ""}) {
        ModelParams p;
        setMechParameters(p, Family::Mars, model, texts);
        EXPECT_EQ(shapeOf(p), (Shape{3, 6, 6, 4, 512})) << model.toStdString();
        EXPECT_EQ(names(p), (QStringList{"Thickness", "Diameter", "Material", "Parameter4", "Parameter5",
                                         "Parameter6"}));
        EXPECT_TRUE(p.paramNames[6].isEmpty());
    }
}

TEST(Catalogue, UnknownModelKeepsNumbersButResetsNames)
{
    const TextTable texts;
    ModelParams p;
    setMechParameters(p, Family::CC, "435", texts);
    setMechParameters(p, Family::CC, "C120", texts);
    setMechParameters(p, Family::CC, "c120", texts);
    EXPECT_EQ(shapeOf(p), (Shape{3, 12, 6, 2, 128}));
    EXPECT_EQ(names(p), kDefaultNames);

    setMechParameters(p, Family::NRI, "G10-4000", texts);
    setMechParameters(p, Family::NRI, "G10-4000/6", texts);
    EXPECT_EQ(shapeOf(p), (Shape{4, 8, 8, 1, 128}));
    EXPECT_EQ(names(p), kDefaultNames);

    setMechParameters(p, familyNamed("cc"), "435", texts); // not a family
    EXPECT_EQ(shapeOf(p), (Shape{4, 8, 8, 1, 128}));
}

TEST(Catalogue, NamesComeFromTheLoadedLanguage)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("Deutsch.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("231,Messwert\r\n232,Dicke\r\n246,MNF-de\r\n");
    f.close();

    TextTable texts;
    texts.languageName = "Deutsch";
    struct NoBoxes : plat::Dialogs {
        int msgBox(const QString&, int, const QString&) override { return plat::mb::OK; }
        QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
        QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    } dialogs;
    texts.loadLanguageFile(dir.path(), dialogs);

    ModelParams p;
    setMechParameters(p, Family::Mars, "ME111", texts);
    EXPECT_EQ(p.paramNames[0], "Dicke");
    EXPECT_EQ(p.paramNames[1], ""); // the file has no 233
    EXPECT_EQ(p.paramNames[3], "Messwert4");
    setMechParameters(p, Family::NRI, "G10-4000", texts);
    EXPECT_EQ(p.paramNames[0], "MNF-de");
}

TEST(Catalogue, ModelListsInTabOrder)
{
    EXPECT_EQ(modelList(Family::Mars), (QStringList{"MS1000", "ME111", "ME181", "MS130B1", "MS111", "MS1400"}));
    EXPECT_EQ(modelList(Family::CC), (QStringList{"C120", "220B", "335", "435", "450", "Sentinel"}));
    EXPECT_EQ(modelList(Family::NRI),
              (QStringList{"G13-6000", "G13-0000", "G18-3000", "G18-0000", "G10-4000", "G10-4000/5", "G40-0000"}));
    // Every listed model has its own shape, and every name it gives a parameter is a text.
    const TextTable texts;
    for (const Family family : {Family::Mars, Family::CC, Family::NRI}) {
        for (const QString& m : modelList(family)) {
            ModelParams p;
            EXPECT_NO_THROW(setMechParameters(p, family, m, texts)) << m.toStdString();
            EXPECT_GT(p.memorySize, 0) << m.toStdString();
            for (int k = 0; k < 6; ++k)
                EXPECT_FALSE(p.paramNames[k].isEmpty()) << m.toStdString();
        }
    }
}
