#pragma once
// The coins a simulated mech measures: per channel the mean of every measured parameter, a
// seeded normal spread of a few percent around it, the odd flier, and slugs well away from every
// coin. The generator is our own (xorshift and Box-Muller), so the same seed gives the same
// readings everywhere; tests that need exact values queue them instead of drawing.

#include <QList>
#include <QPair>
#include <QtGlobal>
#include <deque>
#include <map>

namespace sim {

class CoinSampler {
public:
    explicit CoinSampler(quint32 seed = 1) : state_(seed ? seed : 0x9E3779B9u) {}

    // The coin kinds: channel 1..24 and its parameter means. Channels without means are coins
    // the mech does not know; dropping one gives a slug-like reading.
    void setMeans(int channel, const QList<int>& means) { means_[channel] = means; }
    // The means of a coin whose windows are these (low, high) pairs: the middle of each window.
    void setMeansInside(int channel, const QList<QPair<int, int>>& windows);
    QList<int> means(int channel) const { return means_.count(channel) ? means_.at(channel) : QList<int>{}; }
    QList<int> channels() const;
    void setSlugMeans(const QList<int>& means) { slugMeans_ = means; }
    QList<int> slugMeans() const { return slugMeans_; }

    // Spread (one standard deviation) in percent of the mean, the chance of a flier per drop
    // (one parameter 15 to 25 % off its mean), and the range every drawn value is kept in.
    double spreadPercent = 2.0;
    double flierChance = 0.03;
    int lowest = 1;
    int highest = 254;

    // Exact values for the next drops, first queued first.
    void queue(const QList<int>& values) { queued_.push_back(values); }
    int queued() const { return int(queued_.size()); }

    // The next reading of a coin of this channel (or of a slug): a queued one when there is one,
    // else `count` values drawn around the means (values past the means' count are drawn around
    // the middle of the range).
    QList<int> next(int channel, int count);
    QList<int> nextSlug(int count);

    // Uniform in [0, 1) and standard normal, from the seeded generator.
    double uniform();
    double normal();
    quint32 nextRandom();

private:
    QList<int> draw(const QList<int>& means, int count);
    QList<int> takeQueued(int count);

    std::map<int, QList<int>> means_;
    QList<int> slugMeans_;
    std::deque<QList<int>> queued_;
    quint32 state_ = 1;
    bool haveSpare_ = false;
    double spare_ = 0;
};

} // namespace sim
