#pragma once
// The cloning road through the whole program on virtual time: "Program Mech" on a family's tab,
// the coin measurement window, coin set runs and wizards with every box answered in turn and
// the coins dropped through the simulated mech while a record gathers, the transfer and the
// limits editor. The sample coin sets are in the program folder's CoinSets.

#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/memutils/frmprom.h"
#include "tests/quenby/valtest_fixture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>

namespace quenby_tests {

using Reading = QList<int>;
using Readings = std::vector<Reading>;

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

    QString coinSet(const QString& name) const { return ts.folder() + "/CoinSets/" + name; }
    void writeCoinSet(const QString& name, const QByteArray& text) const { ts.writeFile("CoinSets/" + name, text); }

    // Starts the program with this mech and opens the family's measurement window for the model.
    void openMeasure(const QString& model, const char* list, const char* button)
    {
        start(model);
        run(list, model, button);
        clearSent();
    }
    plat::NamedControls& w() { return p->coinMeasureForm().controls(); }
    plat::NamedControls& ed() { return p->promForm().controls(); }
    bool measureShown() { return p->coinMeasureIfLoaded() && p->coinMeasureIfLoaded()->isVisible(); }
    bool editorShown() { return p->promIfLoaded() && p->promIfLoaded()->isVisible(); }
    // A button of a window pressed by the user; returns once its handler has.
    void press(plat::NamedControls& c, const QString& button)
    {
        c.get<QPushButton>(button)->click();
        wait(20);
    }

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
};

} // namespace quenby_tests
