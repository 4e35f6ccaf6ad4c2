#pragma once
// The demo's coins: while the simulated box reports coins (a validator test) or the program
// measures them (a coin set run), a coin drops through the plugged mech every 1.5 to 3 s, on the
// clock the box runs on. A validator test gets a seeded mix of the mech's coins and now and
// then a slug; a measurement gets the coins of the model's sample coin set in record order, one
// record per measuring session ("S" in the order: slugs), with the occasional flier.

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

    void start();
    void stop();
    int dropped() const { return dropped_; }

private:
    void schedule();
    void tick();
    bool wanted(bool* measuring) const;

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

} // namespace sim
