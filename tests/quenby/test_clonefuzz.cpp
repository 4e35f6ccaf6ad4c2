// Fuzzed input through the whole program: mutated sample coin sets given to "Run Coinset File"
// that the checker refuses end in one box with nothing sent and no table or image touched;
// random text typed into the limits grid is applied within the cap and the page shown.
#include "platform/textfile.h"
#include "quenby/clonewizard/coinsetfile.h"
#include "sim/ccmech.h"
#include "tests/quenby/clone_fixture.h"

#include <QLineEdit>
#include <QRadioButton>
#include <random>

namespace {

using namespace quenby_tests;

QStringList mutated(QStringList lines, std::mt19937& rng)
{
    static const QString alphabet = QStringLiteral(",\"x9-.0 RCDSVF\t;");
    for (int k = 1 + int(rng() % 3); k > 0 && !lines.isEmpty(); --k) {
        QString& line = lines[int(rng() % lines.size())];
        const int pos = line.isEmpty() ? 0 : int(rng() % line.size());
        switch (rng() % 5) {
        case 0:
            line.insert(pos, alphabet[int(rng() % alphabet.size())]);
            break;
        case 1:
            line.remove(pos, 1 + int(rng() % 4));
            break;
        case 2:
            lines.insert(int(rng() % (lines.size() + 1)), line);
            break;
        case 3:
            lines.removeAt(int(rng() % lines.size()));
            break;
        default:
            line.truncate(pos);
            break;
        }
    }
    return lines;
}

struct CloneFuzz : CloneTest {};

TEST_F(CloneFuzz, RefusedSetsEndInOneBoxWithNothingSentOrTouched)
{
    std::mt19937 rng(20261207);
    const std::pair<const char*, const char*> sets[] = {{"ME111.cst", "Mars"}, {"C120.cst", "CC"}};
    start("C120");
    int refused = 0;
    for (int round = 0; round < 400 && refused < 40; ++round) {
        const auto& [file, family] = sets[round % 2];
        const QStringList lines = mutated(plat::readLines(coinSet(file)).lines, rng);
        if (quenby::checkCoinset("f.cst", lines, quenby::familyNamed(family)).outcome != quenby::CoinsetCheck::Outcome::Invalid)
            continue;
        ++refused;
        SCOPED_TRACE(lines.join(" | ").left(300).toStdString());
        ASSERT_TRUE(plat::writeLines(coinSet("f.cst"), lines));
        if (QString(family) == "Mars")
            run("cmbMarsMech", "ME111", "cmdMars");
        else
            run("cmbCCmech", "C120", "cmdCCprog");
        const quenby::CoinTables tables = p->memory.coins;
        const quenby::MemoryImages images = p->memory.images;
        clearSent();
        const int before = boxesShown();
        answerFile(coinSet("f.cst"));
        answer(plat::mb::OK);
        press(w(), "cmdOpenCoinset");
        ASSERT_EQ(boxesShown(), before + 1);
        EXPECT_EQ(ts.dialogs->boxes().back().title, "Coinset Error");
        EXPECT_EQ(sent(), "");
        EXPECT_TRUE(p->memory.coins == tables);
        EXPECT_TRUE(p->memory.images.progImage == images.progImage);
        EXPECT_TRUE(p->memory.images.readImage == images.readImage);
        EXPECT_FALSE(p->coinStats().runActive);
        press(w(), "cmdBack");
    }
    EXPECT_EQ(refused, 40);
}

TEST_F(CloneFuzz, RandomGridTextIsAppliedWithinTheCapToThePageShownOnly)
{
    openMeasure("435", "cmbCCmech", "cmdCCprog");
    press(w(), "cmdSpecialUtilities");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    std::mt19937 rng(7);
    static const QString alphabet = QStringLiteral("0123456789.-+eE x,");
    for (int round = 0; round < 30; ++round) {
        const int page = int(rng() % 2);
        ed().get<QRadioButton>("optSeg", page)->click();
        const quenby::CoinTables before = p->memory.coins;
        for (int k = 0; k < 10; ++k) {
            QString text;
            for (int n = int(rng() % 12); n > 0; --n)
                text += alphabet[int(rng() % alphabet.size())];
            ed().get<QLineEdit>("txtProm", int(rng() % 80))->setText(text);
        }
        press(ed(), "cmdChangeLimits");
        const auto& t = p->memory.coins.coinLimitTable;
        for (int c = 1; c <= 16; ++c)
            for (int k = 1; k <= 10; ++k) {
                ASSERT_GE(t(c, k), 0);
                ASSERT_LE(t(c, k), 255);
                if ((c - 1) / 8 != page) {
                    ASSERT_EQ(t(c, k), before.coinLimitTable(c, k)) << c << " " << k;
                }
            }
        // What the grid shows is what the table holds.
        for (int cell = 0; cell < 80; ++cell)
            ASSERT_EQ(ed().text("txtProm", cell), QString::number(t(8 * page + cell / 10 + 1, cell % 10 + 1)));
    }
    EXPECT_EQ(boxesShown(), 0);
}

} // namespace
