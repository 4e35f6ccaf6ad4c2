#pragma once
// A started program in front of a box whose mech can be swapped between jobs, for seeded
// sequences of jobs. Every mech the sequence puts in the box is a unit of its own: a model, a
// serial number and a memory pattern no other unit shares, so a word of one mech found in another
// shows. The units of one model take turns in one simulated mech (its memory swapped in and out,
// its faults cleared, its link dropped); each model has its mech and box, and the port is
// switched to the box of the model in use.

#include "sim/ardwellimages.h"
#include "tests/ardwell/bench.h"

#include <QStringList>
#include <map>
#include <memory>
#include <vector>

namespace ardwell_test {

// Every message box and file dialog goes through a policy the sequence sets per step; each box
// is recorded.
class PolicyDialogs : public testing_support::ScriptedDialogs {
public:
    using ScriptedDialogs::ScriptedDialogs;
    int msgBox(const QString& text, int style, const QString& title) override
    {
        if (observer)
            observer(text);
        const int answer = policy ? policy(text, style) : defaultAnswer(style);
        seen.push_back({text, style, title, answer, 0});
        return answer;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return takeFile("open"); }
    QString saveFileName(const QString&, const QString&, const QString&) override { return takeFile("save"); }

    static int defaultAnswer(int style)
    {
        const int b = plat::mb::buttonsOf(style);
        return b == plat::mb::YesNo ? plat::mb::No : plat::mb::OK;
    }

    std::function<int(const QString&, int)> policy;
    std::function<void(const QString&)> observer; // sees every box as it is shown
    QString nextFile;             // what the next file dialog answers ("" cancels it)
    std::vector<testing_support::BoxRecord> seen;
    QStringList fileDialogs;

private:
    QString takeFile(const char* kind)
    {
        fileDialogs << QString::fromLatin1(kind);
        QString f = nextFile;
        nextFile.clear();
        return f;
    }
};

// Passes the program's bytes to the box of the model in use.
class BoxSwitch : public sim::Device {
public:
    void onBytes(const QByteArray& b) override { box_->onBytes(b); }
    void onBreak(bool on) override { box_->onBreak(on); }
    void onOpen() override { box_->onOpen(); }
    void onClose() override { box_->onClose(); }
    void use(sim::ArdwellBox* box, sim::SimPort* port)
    {
        if (box_ && box_ != box)
            box_->attach(nullptr);
        box_ = box;
        box_->attach(port);
    }

private:
    sim::ArdwellBox* box_ = nullptr;
};

struct MechUnit {
    QString model;
    quint32 serial = 0;
    std::vector<quint16> words; // while out of the box; in the box the simulated mech holds them
};

struct SwapRig : Bench {
    explicit SwapRig(const QString& model, quint32 seed) : Bench(model), seed_(seed)
    {
        auto dialogs = std::make_unique<PolicyDialogs>(*ts.sched);
        box_ = dialogs.get();
        ts.dialogs = std::move(dialogs);
        ts.makePort = [this] {
            auto p = std::make_unique<sim::SimPort>(*ts.sched, switch_);
            p->setTranscriptLimit(256);
            port = p.get();
            if (current_ >= 0)
                switch_.use(&boxOf(units[std::size_t(current_)].model), port);
            return p;
        };
        ts.sched->setLimitMs(1000LL * 3600 * 1000);
    }
    ~SwapRig() { program.reset(); }

    PolicyDialogs& dialogs() { return *box_; }

    // A new unit of the model, not yet in the box; its id.
    int newUnit(const QString& model, bool otherVariant, quint32 serial)
    {
        namespace img = sim::ardwellimage;
        MechUnit u;
        u.model = model;
        u.serial = serial;
        u.words = img::image(model, otherVariant ? img::Variant::Other : img::Variant::Standard, serial);
        const int id = int(units.size());
        for (int a : patternWords(model))
            u.words[std::size_t(a)] = patternValue(id, a);
        units.push_back(u);
        return id;
    }
    // The words no setting uses in either image of the model: each unit fills them its own way.
    static const std::vector<int>& patternWords(const QString& model)
    {
        static std::map<QString, std::vector<int>> cache;
        auto it = cache.find(model);
        if (it != cache.end())
            return it->second;
        namespace img = sim::ardwellimage;
        const auto a1 = img::image(model, img::Variant::Standard, 1), a2 = img::image(model, img::Variant::Other, 2);
        std::vector<int> out;
        for (int a = 0; a < int(a1.size()); ++a)
            if (a1[std::size_t(a)] == quint16(0xA005 | (a << 4)) && a2[std::size_t(a)] == quint16(0xC009 | (a << 4)))
                out.push_back(a);
        return cache[model] = out;
    }
    static quint16 patternValue(int unit, int a) { return quint16(0x8001 | ((unit & 0x7F) << 8) | ((a & 0x7F) << 1)); }

    // Puts a unit into the box in place of the one there. The mech keeps the power the box gives
    // its socket but must log on afresh; the unit taken out keeps what its memory holds now.
    void insert(int id)
    {
        const bool powered = current_ >= 0 && mechOf(units[std::size_t(current_)].model).powered();
        if (current_ >= 0) {
            MechUnit& out = units[std::size_t(current_)];
            sim::ArdwellMech& m = mechOf(out.model);
            out.words = m.words();
            m.setPowered(false);
        }
        current_ = id;
        MechUnit& in = units[std::size_t(id)];
        sim::ArdwellMech& m = mechOf(in.model);
        clearFaults(m);
        m.loadImage(in.words);
        m.setPowered(powered);
        if (port)
            switch_.use(&boxOf(in.model), port);
    }
    int current() const { return current_; }
    sim::ArdwellMech& mechInBox() { return mechOf(units[std::size_t(current_)].model); }
    sim::ArdwellBox& boxInUse() { return boxOf(units[std::size_t(current_)].model); }

    std::vector<MechUnit> units;

    static void clearFaults(sim::ArdwellMech& m)
    {
        for (int f = 0; f < int(sim::ArdwellMech::Fault::Count_); ++f)
            m.setFault(sim::ArdwellMech::Fault(f), sim::When::never());
        m.refuseWritesAt(-1);
        m.storeDifferentValueAt(-1, 0);
        m.setUnreadableWord(-1, sim::When::never());
    }


private:
    struct Pair {
        std::unique_ptr<sim::ArdwellMech> mech;
        std::unique_ptr<sim::ArdwellBox> box;
    };
    Pair& pairOf(const QString& model)
    {
        Pair& p = pairs_[model];
        if (!p.mech) {
            p.mech = std::make_unique<sim::ArdwellMech>(model, sim::ardwellimage::kStandardSerial, seed_);
            p.box = std::make_unique<sim::ArdwellBox>(*ts.sched, *p.mech);
            p.box->keepRecentRecords(256);
        }
        return p;
    }
    sim::ArdwellMech& mechOf(const QString& model) { return *pairOf(model).mech; }
    sim::ArdwellBox& boxOf(const QString& model) { return *pairOf(model).box; }

    quint32 seed_;
    PolicyDialogs* box_ = nullptr;
    BoxSwitch switch_;
    std::map<QString, Pair> pairs_;
    int current_ = -1;
};

} // namespace ardwell_test
