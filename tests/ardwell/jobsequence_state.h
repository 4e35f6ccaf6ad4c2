#pragma once
// What the seeded job sequences know and check: the units in play, the pending changes as the
// sequence's own inputs define them (the words read, what each edit must leave, the windows a
// panel scaled) and the checks that a "Verify OK" is true of the mech in the box and that a mech's
// first backup is its own.

#include "ardwell/bench/models.h"
#include "ardwell/link/eepromjob.h"
#include "sim/ardwelltestmode.h"
#include "tests/ardwell/jobsequence.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <set>

namespace ardwell_test::seq {

namespace img = sim::ardwellimage;

using Raw = std::array<int, 7>;
inline const QStringList kModels{"126", "330", "340", "560", "PCA"};
inline const std::array<int, 5> kBaseline{200, 210, 220, 230, 240};

// Channels whose windows the panels list: sixteen on a 126, twelve on the others.
inline int listed(const QString& model) { return model == "126" ? 16 : 12; }
// Word i (0..12) of a channel's window record, and the byte of that word which is the channel's.
inline int recordWordOf(const QString& model, int idx, int i) { return img::recordBase(model) + 13 * (idx / 2) + i; }
inline quint16 byteMask(int idx) { return idx % 2 == 0 ? 0xFF00 : 0x00FF; }

enum class Mode { Main, Programme, Adjust, Test };

// What the pending changes must do to a channel once written.
struct Claim {
    enum Kind { Cleared, Learned } kind = Cleared;
    std::vector<Raw> coins; // Learned: the coins that are no fliers
};

struct SequenceState {
    explicit SequenceState(quint32 seed) : seed(seed), rng(seed), rig(pickModel(seed), seed) {}

    static QString pickModel(quint32 seed) { return kModels[int(seed % 5)]; }

    quint32 seed;
    std::mt19937 rng;
    SwapRig rig;
    QStringList steps;

    // The pending changes: the unit read, the words it held then, what is known of each word
    // once written (bit mask), and what must hold of channels.
    int owner = -1;
    img::Words expect;
    std::vector<quint16> known;
    std::map<int, Claim> claims;
    int percent = 100;   // the adjust panel's, for the coin shown
    bool edited = false; // the user changed something since the read

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    void log(const QString& s) { steps << s; }

    ardwell_test::PolicyDialogs& dialogs() { return rig.dialogs(); }
    plat::View& view() { return rig.view(); }
    const ardwell_test::MechUnit& unitInBox() { return rig.units[std::size_t(rig.current())]; }
    QString model() { return unitInBox().model; }
    ardwell::EepromJob& job() { return rig.job(); }
    bool pending() { return job().imageModified(); }

    // ---- Units and the box ----

    quint32 freshSerial()
    {
        // Serials as workshops mostly see them, below 999,999,999, now and then beyond; each
        // unit its own.
        const bool beyond = chance(0.1);
        for (;;) {
            const quint32 s = beyond ? quint32(rng()) : quint32(pick(1, 999'999'998));
            bool used = false;
            for (const auto& u : rig.units)
                used = used || u.serial == s;
            if (!used)
                return s;
        }
    }
    void swapMech(bool anyModel)
    {
        const QString m = anyModel ? kModels[pick(0, 4)] : model();
        std::vector<int> same;
        for (int i = 0; i < int(rig.units.size()); ++i)
            if (rig.units[std::size_t(i)].model == m && i != rig.current())
                same.push_back(i);
        const int id = !same.empty() && chance(0.5) ? same[std::size_t(pick(0, int(same.size()) - 1))]
                                                     : rig.newUnit(m, chance(0.5), freshSerial());
        log(QString("swap in mech %1 (%2, serial %3)").arg(id).arg(m).arg(rig.units[std::size_t(id)].serial, 8, 16, QChar('0')));
        rig.insert(id);
        if (m != selectedModel()) {
            log("choose model " + m);
            view().setValue(m == "PCA" ? QString("optPCA") : "opt" + m, 1);
        }
    }
    QString selectedModel()
    {
        for (const QString& m : kModels)
            if (view().value(m == "PCA" ? QString("optPCA") : "opt" + m))
                return m;
        return "330";
    }

    // ---- What a step saw ----

    size_t boxesBefore = 0;
    QStringList boxTexts()
    {
        QStringList out;
        const auto& seen = dialogs().seen;
        for (size_t i = boxesBefore; i < seen.size(); ++i)
            out << seen[i].text;
        return out;
    }
    bool sawBox(const QString& part) { return boxTexts().join("\n").contains(part); }

    Mode modeShown()
    {
        if (view().isVisible("frmProgramme"))
            return Mode::Programme;
        if (view().isVisible("frmAdjust"))
            return Mode::Adjust;
        if (view().isVisible("frmTest") || view().isVisible("frmPCAtest") || view().isVisible("frm340test"))
            return Mode::Test;
        return Mode::Main;
    }

    // ---- The pending changes ----

    void startPending()
    {
        owner = rig.current();
        const auto& w = rig.mechInBox().words();
        expect.assign(w.begin(), w.end());
        known.assign(w.size(), 0xFFFF);
        claims.clear();
        imageWidth.clear();
        percent = 100;
        edited = false;
    }
    void unknownByte(int a, quint16 mask) { known[std::size_t(a)] &= quint16(~mask); }
    void setKnown(int a, quint16 mask, quint16 value)
    {
        expect[std::size_t(a)] = quint16((expect[std::size_t(a)] & ~mask) | (value & mask));
        known[std::size_t(a)] |= mask;
    }
    void channelUnknown(int idx)
    {
        for (int i = 0; i < 13; ++i) {
            const int a = recordWordOf(model(), idx, i);
            if (a < int(known.size()))
                unknownByte(a, byteMask(idx));
        }
    }
    std::optional<img::WindowRecord> recordIn(const img::Words& w, int idx)
    {
        return img::readRecord(w, img::recordBase(model()), idx);
    }

    // After a "Verify OK": the mech in the box is the one read, and holds what was meant.
    void checkVerified(const QString& road)
    {
        SCOPED_TRACE(road.toStdString());
        const ardwell_test::MechUnit& u = unitInBox();
        sim::ArdwellMech& mech = rig.mechInBox();
        ASSERT_EQ(rig.current(), owner) << "Verify OK over mech " << rig.current() << ", but the changes were read from mech " << owner;
        const int sw = img::serialWord(u.model);
        EXPECT_EQ(mech.word(sw), quint16(u.serial >> 16)) << "serial number word " << sw;
        EXPECT_EQ(mech.word(sw + 1), quint16(u.serial & 0xFFFF)) << "serial number word " << sw + 1;
        const int after = ardwell::wordAfterSerial(ardwell::currentModel(view()));
        for (int a = 0; a < mech.wordCount(); ++a) {
            if (a == sw || a == sw + 1)
                continue;
            const quint16 want = a == after ? 0 : expect[std::size_t(a)];
            const quint16 mask = a == after ? 0xFFFF : known[std::size_t(a)];
            if ((mech.word(a) ^ want) & mask) {
                QString whose;
                for (std::size_t i = 0; i < rig.units.size(); ++i)
                    if (int(i) != rig.current() && rig.units[i].model == u.model && rig.units[i].words[std::size_t(a)] == mech.word(a) &&
                        mech.word(a) != want)
                        whose += QString(" (mech %1 holds that)").arg(i);
                ADD_FAILURE() << QString("word %1 is %2, meant %3 (bits %4)%5")
                                     .arg(a)
                                     .arg(mech.word(a), 4, 16, QChar('0'))
                                     .arg(want, 4, 16, QChar('0'))
                                     .arg(mask, 4, 16, QChar('0'))
                                     .arg(whose)
                                     .toStdString();
            }
        }
        const bool m126 = u.model == "126";
        for (const auto& [idx, c] : claims) {
            const auto rec = recordIn(mech.words(), idx);
            if (c.kind == Claim::Cleared) {
                EXPECT_FALSE(rec.has_value()) << "channel " << idx + 1 << " was cleared";
                EXPECT_TRUE(img::coinBit(mech.words(), 0, idx)) << "channel " << idx + 1 << " inhibited";
            } else if (c.kind == Claim::Learned) {
                ASSERT_TRUE(rec.has_value()) << "channel " << idx + 1 << " was learned";
                for (const Raw& raw : c.coins) {
                    const auto p = sim::windowParameters(m126, raw, rec->level);
                    for (int k = 0; k < 4; ++k)
                        EXPECT_TRUE(p[k] >= rec->low[k] && p[k] <= rec->low[k] + rec->width[k])
                            << "channel " << idx + 1 << " parameter " << k << ": coin at " << p[k] << ", window "
                            << rec->low[k] << ".." << rec->low[k] + rec->width[k] << " level " << rec->level;
                }
            }
        }
        for (const auto& [idx, w] : imageWidth) {
            const auto rec = recordIn(mech.words(), idx);
            if (!rec)
                continue;
            for (int k = 0; k < 4; ++k) {
                if (w[std::size_t(k)] > 250)
                    continue; // beyond its byte: cut to fit
                EXPECT_LE(std::abs(rec->width[k] - w[std::size_t(k)]), 1.5 + w[std::size_t(k)] * 0.02)
                    << "channel " << idx + 1 << " width " << k << " is " << rec->width[k] << ", meant " << w[std::size_t(k)];
            }
        }
    }

    std::map<int, std::array<double, 4>> imageWidth; // the windows of the image, as reckoned
    std::optional<std::array<double, 4>> held;       // the shown coin's window as read
    int shownCoin = 0;

    // The first read of a mech leaves its backup, named as the panel shows it: this mech's words
    // and nothing else.
    std::set<int> backedUp;
    void checkBackup()
    {
        if (!backedUp.insert(rig.current()).second || !view().isVisible("lblSerNo"))
            return;
        const QString name = "Backup/" + view().text("lblSerNo") + ".txt";
        ASSERT_TRUE(rig.ts.fileExists(name)) << name.toStdString();
        const auto& words = rig.mechInBox().words();
        const QStringList lines = QString::fromLatin1(rig.ts.readFile(name)).split("\r\n", Qt::SkipEmptyParts);
        // Past the mech's own words too: what an earlier mech or file left in the image is not
        // this mech's.
        for (int a = 0; a < int(lines.size()); ++a) {
            const QString want = QString("%1 %2")
                                     .arg(a, 4, 16, QChar('0'))
                                     .arg(a < int(words.size()) ? words[std::size_t(a)] : 0, 4, 16, QChar('0'))
                                     .toUpper();
            EXPECT_EQ(lines[a], want) << "the first backup of mech " << rig.current() << ", " << name.toStdString();
        }
        EXPECT_GE(lines.size(), words.size()) << name.toStdString();
    }
};

} // namespace ardwell_test::seq
