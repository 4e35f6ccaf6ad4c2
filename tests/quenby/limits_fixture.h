#pragma once
// A limits editor without a window: the tables, model, rules and state it works on, and the
// boxes it shows.

#include "platform/dialogs.h"
#include "quenby/link/familytable.h"
#include "quenby/memutils/limitsgrid.h"
#include "quenby/shell/texts.h"

#include <initializer_list>

namespace limits_test {

struct Box {
    QString text;
    int style;
    QString title;
};

// Answers every box with OK and remembers it.
struct RecordingDialogs : plat::Dialogs {
    int msgBox(const QString& text, int style, const QString& title) override
    {
        boxes.push_back({text, style, title});
        return plat::mb::OK;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    // The error reports among the boxes, by text id.
    QList<int> reports() const
    {
        QList<int> ids;
        for (const Box& b : boxes)
            if (b.title == QLatin1String("Error detected"))
                ids << b.text.trimmed().section(u' ', 0, 0).toInt();
        return ids;
    }
    std::vector<Box> boxes;
};

struct Stat {
    float mean, sdLower, sdUpper;
};

struct Editor {
    Editor(const QString& family, const QString& model) : model(model)
    {
        quenby::setMechParameters(params, quenby::familyNamed(family), model, texts);
        rules = quenby::mechEntry(quenby::familyNamed(family), model).limits;
    }
    Editor(const Editor&) = delete; // the reporter refers to this editor's texts and boxes
    Editor& operator=(const Editor&) = delete;
    quenby::LimitsContext ctx() { return {tables, params, rules, texts, errors, dialogs, model, promSize}; }

    // Windows (lo, hi) of parameters 1, 2, ... of a channel.
    void windows(int coin, std::initializer_list<std::pair<qint32, qint32>> ws)
    {
        int p = 0;
        for (auto [lo, hi] : ws) {
            tables.coinLimitTable(coin, 2 * p + 1) = lo;
            tables.coinLimitTable(coin, 2 * p + 2) = hi;
            ++p;
        }
    }
    void stats(int row, std::initializer_list<Stat> ss)
    {
        const int pc = params.paramCount;
        int p = 0;
        for (const Stat& s : ss) {
            tables.coinsetStats(row, p) = s.mean;
            tables.coinsetStats(row, p + pc) = s.sdLower;
            tables.coinsetStats(row, p + 2 * pc) = s.sdUpper;
            ++p;
        }
    }
    // A coin record on a channel, in coinsetRecords row `row`.
    void coinRecord(int coin, int row, std::initializer_list<Stat> ss)
    {
        stats(row, ss);
        const int n = ++tables.coinRecordIndex(coin, 0);
        tables.coinRecordIndex(coin, n) = row;
    }
    // A slug record with its own windows, in row `row`.
    void slug(int row, std::initializer_list<std::pair<qint32, qint32>> ws, std::initializer_list<Stat> ss = {})
    {
        int p = 0;
        for (auto [lo, hi] : ws) {
            tables.coinsetRecords(row, 2 * p + 2) = lo;
            tables.coinsetRecords(row, 2 * p + 3) = hi;
            ++p;
        }
        stats(row, ss);
        tables.slugRecordIndex(tables.slugCount++) = row;
    }
    void setup() { quenby::setupfrmPROM(page, state, ctx()); }
    // A page change; the edits are applied by `applyEdits`, the grid store alone by default.
    void show(int pageNumber) { quenby::selectSegment(page, state, pageNumber, ctx(), applyEdits); }
    std::function<bool()> applyEdits = [this] { return quenby::applyGrid(page, state, ctx()); };
    quint32 rowColour(int r) const { return page.cellColour[std::size_t(r * 2 * params.paramCount)]; }
    quint32 slugColour(int s) const { return page.slugColour[std::size_t(s * 2 * params.paramCount)]; }

    quenby::TextTable texts;
    RecordingDialogs dialogs;
    quenby::ErrorReporter errors{texts, dialogs};
    quenby::CoinTables tables;
    quenby::ModelParams params;
    quenby::LimitRules rules;
    quenby::LimitsState state;
    quenby::LimitsPage page;
    QString model;
    int promSize = 0;
};

} // namespace limits_test
