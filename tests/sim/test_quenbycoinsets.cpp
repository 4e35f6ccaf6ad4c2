// The sample coin sets shipped with the demo against the simulated mechs they are meant for:
// every coin a set gathers is one the mech knows, in the order the demo drops them.
#include "platform/textfile.h"
#include "sim/quenbydemo.h"
#include "sim/quenbymechs.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// Channel of a coin name: "R"/"Coin" names end in their number, a digit leads a number, and a
// Mars position is a letter A..F and a bank digit 1..4.
int channelOf(const QString& name)
{
    if (name.startsWith('R') || name.startsWith(QLatin1String("Coin")))
        return name.right(2).toInt();
    if (!name.isEmpty() && name.at(0).isDigit())
        return name.toInt();
    if (name.size() == 2 && name.at(0) >= 'A' && name.at(0) <= 'F')
        return name.at(0).unicode() - 'A' + 1 + 6 * (name.at(1).digitValue() - 1);
    return 0;
}

} // namespace

TEST(QuenbyCoinSets, EverySampleSetGathersCoinsItsMechKnowsInTheDemosOrder)
{
    const QStringList files = QDir(COINSETS_DIR).entryList({"*.cst"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 11);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QFile f(QDir(COINSETS_DIR).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        EXPECT_EQ(raw.count("\r\n"), raw.count('\n')) << "CR LF line ends";
        const QStringList lines = plat::splitLines(raw);
        ASSERT_GE(lines.size(), 3);
        const QString type = lines[0].section(',', 0, 0).remove('"');
        const QString family = type.section('.', 0, -2), model = type.section('.', -1);
        EXPECT_EQ(sim::quenbyFamilyOf(model), family);
        const auto mech = sim::makeQuenbyMech(model);

        QStringList gathered;
        for (const QString& line : lines.mid(2)) {
            const QStringList f = line.split(',');
            const int params = mech->paramCount();
            if (f[0] == "CD") {
                ASSERT_EQ(f.size(), 4 + 5 * params) << line.toStdString();
                const int count = f[3].toInt();
                EXPECT_TRUE(count >= 10 && count <= 20);
                for (int p = 0; p < params; ++p)
                    EXPECT_TRUE(f[8 + 5 * p].toInt() >= 5 && f[8 + 5 * p].toInt() <= 25);
                gathered << QString::number(channelOf(f[2]));
            } else if (f[0] == "R") {
                ASSERT_EQ(f.size(), 4 + params);
                gathered << QStringLiteral("R");
            } else if (f[0] == "S") {
                gathered << QStringLiteral("S");
                if (f.size() > 3 + 2 * params) {
                    EXPECT_FALSE(mech->sampler().means(channelOf(f.last())).isEmpty());
                }
            }
        }
        const QStringList order = sim::QuenbyDemoCoins::sampleSetOrder(model);
        ASSERT_EQ(order.size(), gathered.size());
        for (int i = 0; i < order.size(); ++i) {
            if (gathered[i] == "R")
                continue; // a reference record gathers the coin it stands for
            EXPECT_EQ(order[i], gathered[i]) << i;
            if (order[i] != "S") {
                EXPECT_FALSE(mech->sampler().means(order[i].toInt()).isEmpty()) << order[i].toStdString();
            }
        }
    }
}
