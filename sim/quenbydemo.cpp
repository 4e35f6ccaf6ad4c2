#include "sim/quenbydemo.h"

#include "sim/marssocket.h"

#include <QDir>
#include <cmath>
#include <map>

namespace sim {

QuenbyDemoCoins::QuenbyDemoCoins(plat::Scheduler& sched, QuenbyBox& box, quint32 seed)
    : sched_(sched), box_(box), rng_(seed ? seed : 7)
{
}

QuenbyDemoCoins::~QuenbyDemoCoins()
{
    *alive_ = false;
    stop();
}

QStringList QuenbyDemoCoins::sampleSetOrder(const QString& model)
{
    // The gathering records of tests/data/coinsets, in file order (a reference record drops
    // the coin it stands for).
    static const std::map<QString, QString> orders{
        {QStringLiteral("ME111"), QStringLiteral("1,2,3,4,5,6,8,9,S")},
        {QStringLiteral("ME181"), QStringLiteral("1,2,3,4,5,6,7,8")},
        {QStringLiteral("MS1400"), QStringLiteral("1,2,3,4,S")},
        {QStringLiteral("C120"), QStringLiteral("1,2,3,4,5,6,S")},
        {QStringLiteral("335"), QStringLiteral("1,2,3,4,5,S")},
        {QStringLiteral("435"), QStringLiteral("1,2,3,4,5,6,7,8")},
        {QStringLiteral("Sentinel"), QStringLiteral("1,2,3,4")},
        {QStringLiteral("G13-6000"), QStringLiteral("1,2,3,4,5,6,S")},
        {QStringLiteral("G18-3000"), QStringLiteral("1,2,3,4,5,6")},
        {QStringLiteral("G13-0000"), QStringLiteral("1,2,3,4,5,6")},
        {QStringLiteral("G10-4000/5"), QStringLiteral("1,2,3,4,5,6,7,8")},
    };
    const auto it = orders.find(model);
    return it == orders.end() ? QStringList() : it->second.split(',');
}

void QuenbyDemoCoins::wellKeptBatch(QuenbyMech& mech)
{
    CoinSampler& s = mech.sampler();
    s.spreadPercent = 0.2;
    s.flierChance = 0;
    // The windows of a Mars mech's own PROM reach past the middle of the next channel's, so a
    // coin in the middle of its window also sits in the window of the channel below, and a clone
    // that keeps that channel's windows would overlap it. The batch sits in the upper part of
    // each window instead, clear of the channel below and still inside its own.
    if (dynamic_cast<MarsSocket*>(&mech)) {
        for (int c : s.channels()) {
            QList<int> means = s.means(c);
            for (int& m : means)
                m = int(std::lround(m * 1.025));
            s.setMeans(c, means);
        }
    }
}

void QuenbyDemoCoins::start()
{
    if (running_)
        return;
    running_ = true;
    schedule();
}

void QuenbyDemoCoins::stop()
{
    running_ = false;
    if (pending_)
        sched_.cancel(pending_);
    pending_ = 0;
}

void QuenbyDemoCoins::schedule()
{
    if (!running_)
        return;
    rng_ = rng_ * 1103515245u + 12345u;
    const plat::Millis delay = lastMeasuring_ ? 250 + plat::Millis((rng_ >> 8) % 250)
                                              : 1500 + plat::Millis((rng_ >> 8) % 1500);
    auto alive = alive_;
    pending_ = sched_.callAfter(delay, [this, alive] {
        if (*alive) {
            pending_ = 0;
            tick();
        }
    });
}

bool QuenbyDemoCoins::wanted(bool* measuring) const
{
    const QuenbyMech* m = box_.plugged();
    if (!m)
        return false;
    if (box_.inSerialMode()) {
        *measuring = m->measuring();
        return m->waitingForCoin();
    }
    *measuring = box_.sampling();
    return box_.reporting();
}

void QuenbyDemoCoins::tick()
{
    bool measuring = false;
    QuenbyMech* m = box_.plugged();
    if (!m || !wanted(&measuring)) {
        wasMeasuring_ = false;
        lastMeasuring_ = measuring;
        schedule();
        return;
    }
    rng_ = rng_ * 1103515245u + 12345u;
    const quint32 r = rng_ >> 8;
    if (measuring && !order_.isEmpty()) {
        if (!wasMeasuring_)
            ++session_;
        const QString entry = order_.at(session_ % order_.size());
        if (entry == QLatin1String("S"))
            m->dropSlug();
        else
            m->dropCoin(entry.toInt());
    } else {
        const QList<int> kinds = m->sampler().channels();
        if (kinds.isEmpty() || r % 10 == 0)
            m->dropSlug();
        else
            m->dropCoin(kinds.at(int(r % quint32(kinds.size()))));
    }
    wasMeasuring_ = measuring;
    lastMeasuring_ = measuring;
    ++dropped_;
    schedule();
}

QString QuenbyDemoHands::sampleSetFile(const QString& model)
{
    if (model == QLatin1String("335"))
        return QStringLiteral("QZ335.cst");
    return QString(model).replace(u'/', u'-') + QStringLiteral(".cst");
}

int QuenbyDemoHands::msgBox(const QString& text, int style, const QString& title)
{
    if (auto* socket = dynamic_cast<MarsSocket*>(box_.plugged())) {
        if (text.startsWith(QLatin1String("Remove OLD PROM"))) {
            socket->remove();
        } else if (text.startsWith(QLatin1String("Insert ")) && text.contains(QLatin1String("PROM")) &&
                   !text.contains(QLatin1String("Old PROM"))) {
            const bool ombrix = text.contains(QLatin1String("Ombrix"));
            const int size = text.contains(QLatin1String("1K")) ? 256 : 512;
            socket->remove();
            socket->insert(MarsProm::blank(size, ombrix ? MarsProm::Kind::Ombrix : MarsProm::Kind::Bipolar));
        }
    }
    return dialogs_.msgBox(text, style, title);
}

QString QuenbyDemoHands::openFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    if (pickCoinSets_ && filter == QLatin1String("*.cst") && box_.plugged())
        return QDir(initialDir).filePath(sampleSetFile(box_.plugged()->model()));
    return dialogs_.openFileName(title, filter, initialDir);
}

QString QuenbyDemoHands::saveFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    return dialogs_.saveFileName(title, filter, initialDir);
}

} // namespace sim
