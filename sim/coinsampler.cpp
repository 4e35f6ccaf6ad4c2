#include "sim/coinsampler.h"

#include "sim/xorshift.h"

#include <QtMath>
#include <cmath>

namespace sim {

QList<int> CoinSampler::channels() const
{
    QList<int> out;
    for (const auto& [channel, means] : means_)
        if (!means.isEmpty())
            out << channel;
    return out;
}

void CoinSampler::setMeansInside(int channel, const QList<QPair<int, int>>& windows)
{
    QList<int> means;
    for (const auto& [low, high] : windows)
        means << (low + high) / 2;
    setMeans(channel, means);
}

quint32 CoinSampler::nextRandom() { return xorshift32(state_); }

double CoinSampler::uniform() { return (nextRandom() >> 8) / double(1u << 24); }

double CoinSampler::normal()
{
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    double u = uniform();
    while (u <= 0)
        u = uniform();
    const double v = uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    spare_ = r * std::sin(2 * M_PI * v);
    haveSpare_ = true;
    return r * std::cos(2 * M_PI * v);
}

QList<int> CoinSampler::draw(const QList<int>& means, int count)
{
    QList<int> out;
    const int flierAt = uniform() < flierChance && !means.isEmpty() ? int(nextRandom() % quint32(means.size())) : -1;
    for (int i = 0; i < count; ++i) {
        const double mean = i < means.size() ? means.at(i) : (lowest + highest) / 2.0;
        double v = mean + normal() * mean * spreadPercent / 100.0;
        if (i == flierAt)
            v = mean * (nextRandom() % 2 ? 1.15 + 0.1 * uniform() : 0.85 - 0.1 * uniform());
        out << qBound(lowest, int(std::lround(v)), highest);
    }
    return out;
}

QList<int> CoinSampler::takeQueued(int count)
{
    QList<int> q = queued_.front();
    queued_.pop_front();
    // Values a test did not give are filler, drawn like any other.
    const QList<int> filler = draw({}, count);
    for (int i = int(q.size()); i < count; ++i)
        q << filler.at(i);
    return q;
}

QList<int> CoinSampler::next(int channel, int count)
{
    if (!queued_.empty())
        return takeQueued(count);
    const QList<int> m = means(channel);
    return draw(m.isEmpty() ? slugMeans_ : m, count);
}

QList<int> CoinSampler::nextSlug(int count)
{
    if (!queued_.empty())
        return takeQueued(count);
    return draw(slugMeans_, count);
}

} // namespace sim
