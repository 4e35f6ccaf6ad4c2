// Whatever a faulty program sends, the simulated first box and its mechs neither crash nor
// write outside their memories, and a box reset brings them back to answering.
#include "sim/ccmech.h"
#include "sim/coinsampler.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbymechs.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;

TEST(QuenbyFuzz, RandomBytesBreaksAndCoinsForEveryModel)
{
    const QStringList models{"ME111", "ME181", "MS1400", "C120", "220B", "335", "435", "450", "Sentinel",
                             "G13-6000", "G18-3000", "G40-0000", "G10-4000/5", "G13-0000", "G18-0000", "G10-4000"};
    // Bytes a program might garble: commands, codes, digits, hex, line ends, escapes, frames.
    const QByteArray alphabet =
        QByteArray("SYMEBOVNIJWKAPZTXDF$0123456789ABCDEF#*?;xy\r\n ") + bytes({0x1B, 0x7A, 0x7B, 0x7F, 0xFF, 0x00, 0x80});
    sim::CoinSampler rng(2024);
    for (const QString& model : models) {
        SCOPED_TRACE(model.toStdString());
        Rig r;
        sim::QuenbyMech* mech = r.box.swapMech(model, false);
        for (int round = 0; round < 60; ++round) {
            QByteArray out;
            const int n = int(rng.nextRandom() % 40);
            for (int i = 0; i < n; ++i)
                out += alphabet.at(int(rng.nextRandom() % quint32(alphabet.size())));
            if (rng.nextRandom() % 4 == 0)
                out = kEsc25 + sim::QuenbyBox::interfaceCodes().at(int(rng.nextRandom() % 5)).toLatin1() + out;
            r.exchange(out, plat::Millis(rng.nextRandom() % 120));
            switch (rng.nextRandom() % 6) {
            case 0: r.breakLine(); break;
            case 1: r.box.dropCoin(int(rng.nextRandom() % 30) - 2); break;
            case 2: r.box.dropSlug(); break;
            default: break;
            }
        }
        r.sched.advance(20000);
        r.breakLine();
        r.exchange(kEsc25);
        EXPECT_EQ(r.exchange("S").left(1), "C") << "the box answers after a reset";
        EXPECT_EQ(mech->box(), &r.box);
        if (auto* cc = dynamic_cast<sim::CcMech*>(mech)) {
            EXPECT_EQ(cc->wordCount(), cc->layout().words);
        }
        if (auto* mars = dynamic_cast<sim::MarsSocket*>(mech)) {
            for (quint8 n : mars->prom()->nibbles)
                EXPECT_LT(n, 16);
        }
        if (auto* nri = dynamic_cast<sim::NriMech*>(mech)) {
            for (int rec = 0; nri->isNewer() && rec < 28; ++rec)
                EXPECT_EQ(nri->record(rec).size(), nri->recordLength(rec)) << rec;
        }
    }
}
