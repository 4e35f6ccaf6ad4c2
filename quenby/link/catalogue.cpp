#include "quenby/link/catalogue.h"

#include "quenby/shell/texts.h"

namespace quenby {

namespace {

struct Shape {
    const char* model;
    int paramCount, coinCount, coinsPerSegment, segmentCount, memorySize;
    int firstNameId; // 0: the default names
};

constexpr Shape kCc[] = {
    {"C120", 3, 12, 6, 2, 128, 0}, {"Sentinel", 3, 8, 8, 1, 64, 0}, {"220B", 3, 8, 8, 1, 128, 0},
    {"335", 3, 16, 8, 2, 128, 0},  {"435", 5, 16, 8, 2, 256, 0},    {"450", 4, 12, 6, 2, 128, 0},
};

constexpr Shape kNri[] = {
    {"G13-0000", 4, 6, 6, 1, 128, 235},   {"G13-6000", 6, 12, 6, 2, 128, 0},
    {"G40-0000", 6, 12, 6, 2, 128, 0},    {"G18-0000", 4, 6, 6, 1, 128, 235},
    {"G18-3000", 6, 12, 6, 2, 128, 240},  {"G10-4000", 4, 8, 8, 1, 128, 246},
    {"G10-4000/5", 6, 12, 6, 2, 128, 250},
};

void apply(ModelParams& p, const Shape& s, const TextTable& texts)
{
    p.paramCount = s.paramCount;
    p.coinCount = s.coinCount;
    p.coinsPerSegment = s.coinsPerSegment;
    p.segmentCount = s.segmentCount;
    p.memorySize = s.memorySize;
    if (s.firstNameId != 0)
        for (int k = 0; k < s.paramCount; ++k)
            p.paramNames[k] = texts.getText(s.firstNameId + k);
}

template <std::size_t N>
void applyModel(ModelParams& p, const Shape (&table)[N], const QString& model, const TextTable& texts)
{
    for (const Shape& s : table) {
        if (model == QLatin1String(s.model)) {
            apply(p, s, texts);
            return;
        }
    }
}

} // namespace

void setMechParameters(ModelParams& params, const QString& family, const QString& model,
                       const TextTable& texts)
{
    const QString parameter = texts.getText(231);
    for (int k = 0; k < 6; ++k)
        params.paramNames[k] = parameter + QString::number(k + 1);

    if (family == u"Mars") {
        apply(params, {"", 3, 6, 6, 4, 512, 232}, texts);
    } else if (family == u"CC") {
        applyModel(params, kCc, model, texts);
    } else if (family == u"NRI") {
        applyModel(params, kNri, model, texts);
    }
}

MechLists mechLists()
{
    return {
        {"MS1000", "ME111", "ME181", "MS130B1", "MS111", "MS1400"},
        {"C120", "220B", "335", "435", "450", "Sentinel"},
        {"G13-6000", "G13-0000", "G18-3000", "G18-0000", "G10-4000", "G10-4000/5", "G40-0000"},
    };
}

} // namespace quenby
