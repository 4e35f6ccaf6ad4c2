#pragma once
// The cloning road through the whole program on virtual time: "Program Mech" on a family's tab,
// the coin measurement window, coin set runs and wizards with every box answered in turn and
// the coins dropped through the simulated mech while a record gathers, the transfer and the
// limits editor. The sample coin sets are in the program folder's CoinSets.

#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/memutils/frmprom.h"
#include "sim/marssocket.h"
#include "tests/quenby/valtest_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QRegularExpression>

namespace quenby_tests {

using Reading = QList<int>;
using Readings = std::vector<Reading>;

// Readings start..start+n-1 of a record: each parameter's base plus a small wobble (the rule
// clone_vectors.py's around() follows).
inline Readings around(const Reading& base, int n, int start = 0)
{
    static const int wobble[11] = {0, 3, -2, 5, -4, 1, -1, 2, -3, 4, -5};
    Readings out;
    for (int i = start; i < start + n; ++i) {
        Reading r;
        for (int p = 0; p < base.size(); ++p)
            r << base[p] + wobble[(3 * i + 5 * p) % 11];
        out.push_back(r);
    }
    return out;
}

// A 435 set of one coin with fixed windows, and a route record when `routed`.
inline QByteArray set435(bool routed)
{
    QByteArray s = "\"CC.435\",\"r\",\"R\",\"1\"\r\n\"-\"\r\n"
                   "CD,a,Coin 01,3,F,10,F,20,10,F,30,F,40,10,F,50,F,60,10,F,70,F,80,10,F,90,F,99,10\r\n";
    if (routed)
        s += "D,435R,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,0,17,18,19,20,1,2\r\n";
    return s;
}

struct CloneTest : ValtestTest {
    static constexpr plat::Millis kDropGapMs = 1500;

    void SetUp() override
    {
        ValtestTest::SetUp();
        const QDir sets(QStringLiteral(COINSETS_DIR));
        QDir(ts.folder()).mkpath(QStringLiteral("CoinSets"));
        for (const QString& f : sets.entryList({QStringLiteral("*.cst")}, QDir::Files))
            QFile::copy(sets.filePath(f), coinSet(f));
    }

    // Starts the program with this mech and opens the family's measurement window for the model.
    void openMeasure(const QString& model, const char* list, const char* button)
    {
        runOn(model, list, button);
        clearSent();
    }
    plat::NamedControls& w() { return p->coinMeasureForm().controls(); }
    plat::NamedControls& ed() { return p->promForm().controls(); }
    bool measureShown() { return p->coinMeasureIfLoaded() && p->coinMeasureIfLoaded()->isVisible(); }
    bool editorShown() { return p->promIfLoaded() && p->promIfLoaded()->isVisible(); }

    // The next boxes' answers, in order.
    void answer(int result, const QString& expectText = {}) { ts.dialogs->answer(result, expectText); }
    void answerFile(const QString& path) { ts.dialogs->answerFile(path); }
    // Coins with these readings through the mech, the first kDropGapMs from now.
    void dropLater(const Readings& readings, int channel = 1, plat::Millis first = kDropGapMs)
    {
        plat::Millis at = first;
        for (const Reading& r : readings) {
            ts.sched->callAfter(at, [this, r, channel] {
                box.queueReading(r);
                box.dropCoin(channel);
            });
            at += kDropGapMs;
        }
    }
    // The gather prompt of a record answered YES, its coins dropped, then its closing box.
    void gatherYes(const QString& description, const Readings& readings, int channel = 1)
    {
        ts.dialogs->answerWith([this, description, readings, channel](const testing_support::BoxRecord& b) {
            EXPECT_EQ(b.title, "Data Gather: " + description);
            dropLater(readings, channel);
            return plat::mb::Yes;
        });
        answer(plat::mb::OK, "Gathered Coin " + description);
    }
    // A box answered while the user does something first (swaps a PROM, drops a coin).
    void answerAfter(int result, std::function<void()> act, const QString& expectText = {})
    {
        ts.dialogs->answerWith([result, act, expectText](const testing_support::BoxRecord& b) {
            if (!expectText.isEmpty()) {
                EXPECT_TRUE(b.text.contains(expectText)) << b.text.toStdString();
            }
            act();
            return result;
        });
    }
    // The titles of every box shown so far, in order.
    QStringList boxTitles() const
    {
        QStringList out;
        for (const auto& b : ts.dialogs->boxes())
            out << b.title;
        return out;
    }
    int boxesShown() const { return int(ts.dialogs->boxes().size()); }

    // A Mars measurement window, the PROM size and segments chosen as a user would.
    sim::MarsSocket* socket = nullptr;
    void openMars(const QString& model = "ME111", bool twoK = false, std::initializer_list<int> ticked = {})
    {
        openMeasure(model, "cmbMarsMech", "cmdMars");
        socket = &mech<sim::MarsSocket>();
        if (twoK)
            w().get<QRadioButton>("Opt2K")->click();
        for (int s : ticked)
            w().get<QCheckBox>("chkSeg", s)->click();
    }
    // Edit Limits on it: the old PROM copied (it sits in the socket) and taken out at the prompt.
    void editMars()
    {
        press(w(), "cmdSpecialUtilities");
        answer(plat::mb::OK, "Insert Old PROM to COPY");
        answerAfter(plat::mb::OK, [this] { socket->remove(); }, "Remove OLD PROM from Socket");
        press(w(), "cmdEdit");
        ASSERT_TRUE(editorShown());
        clearSent();
    }
    // Program New PROM with a blank bipolar PROM put in at the prompt, and the verdict after the
    // burn.
    void burnBlank(bool twoK = false, const QString& verdict = "Verify PROM OK")
    {
        answerAfter(plat::mb::OK, [this, twoK] { socket->insert(sim::MarsProm::blank(twoK ? 512 : 256)); },
                    twoK ? "Insert 2K Bipolar PROM" : "Insert 1K Bipolar PROM");
        answer(plat::mb::OK, verdict);
        press(ed(), "cmdProgPROM");
    }
};

} // namespace quenby_tests
