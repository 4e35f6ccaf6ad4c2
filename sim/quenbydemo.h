#pragma once
// The demo's coins: while the simulated box reports coins (a validator test) or the program
// measures them (a coin set run), a coin drops through the plugged mech, on the clock the box
// runs on: every 1.5 to 3 s in a test, every 0.25 to 0.5 s while measuring, so a whole set is
// gathered in a minute or two. A validator test gets a seeded mix of the mech's coins and now
// and then a slug; a measurement gets the coins of the model's sample coin set in record order,
// one record per measuring session ("S" in the order: slugs), as many as asked, with the
// occasional flier.

#include "platform/dialogs.h"
#include "platform/scheduler.h"
#include "sim/quenbybox.h"

#include <QStringList>
#include <memory>

namespace sim {

class QuenbyDemoCoins {
public:
    QuenbyDemoCoins(plat::Scheduler& sched, QuenbyBox& box, quint32 seed = 7);
    ~QuenbyDemoCoins();
    QuenbyDemoCoins(const QuenbyDemoCoins&) = delete;
    QuenbyDemoCoins& operator=(const QuenbyDemoCoins&) = delete;

    // What each measuring session drops: channel numbers, "S" for slugs.
    void setOrder(const QStringList& order) { order_ = order; }
    // The record order of the sample coin set shipped for a model (empty when there is none).
    static QStringList sampleSetOrder(const QString& model);
    // The demo's coins are a well-kept batch: a spread of 0.2 % and no fliers (and, on a Mars
    // mech, clear of the window of the channel below), so that the clone of a sample set comes
    // out as a workshop would keep it: every coin's windows apart from the others', each coin
    // accepted well above 95 %. The tests keep the mech's own, wider spread.
    static void wellKeptBatch(QuenbyMech& mech);

    void start();
    void stop();
    int dropped() const { return dropped_; }

private:
    void schedule();
    void tick();
    bool wanted(bool* measuring) const;
    bool lastMeasuring_ = false;

    plat::Scheduler& sched_;
    QuenbyBox& box_;
    quint32 rng_;
    QStringList order_;
    int session_ = -1;
    bool wasMeasuring_ = false;
    bool running_ = false;
    int dropped_ = 0;
    plat::CallbackId pending_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The demo's user at the PROM socket and, in a demo without a user, at the file dialog: the old
// PROM is taken out of the socket at "Remove OLD PROM from Socket" and a blank one of the size
// asked for put in at "Insert ... PROM", before the box is shown; with pickCoinSets, "Run
// Coinset File" opens the sample set of the plugged mech's model from the coin set folder.
// Everything else goes to the dialogs it wraps.
class QuenbyDemoHands : public plat::Dialogs {
public:
    QuenbyDemoHands(plat::Dialogs& dialogs, QuenbyBox& box, bool pickCoinSets)
        : dialogs_(dialogs), box_(box), pickCoinSets_(pickCoinSets)
    {
    }

    // The sample set file of a model ("G10-4000/5" -> "G10-4000-5.cst", "335" -> "QZ335.cst").
    static QString sampleSetFile(const QString& model);

    int msgBox(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter, const QString& initialDir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& initialDir) override;

private:
    plat::Dialogs& dialogs_;
    QuenbyBox& box_;
    bool pickCoinSets_;
};

} // namespace sim
