#include "quenby/link/nriwire.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/link/wirefields.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr int kNewCoins = 12;    // records 03..0E
constexpr int kMaxParams = 6;    // columns 1..12 of a limit table
constexpr int kMaxCoin = 24;
constexpr int kG10ValueCoins = 8;

// Records 03..0E carry coins 1..12: the digit after "X0" / "Z0" is 3..9, A..E.
QByteArray coinRecordDigit(int coin) { return plat::hexU(2 + coin).toLatin1(); }

int paramsOf(const ModelParams& p) { return std::clamp(p.paramCount, 0, kMaxParams); }
int coinsOf(const ModelParams& p) { return std::clamp(p.coinCount, 0, kMaxCoin); }

// ---- read plans ----

NriReadStep step(const char* command, int replies, int line, NriFill fill = NriFill::LineOnly)
{
    NriReadStep s;
    s.command = command;
    s.replies = replies;
    s.line = line;
    s.fill = fill;
    return s;
}

void oldPlan(const MechEntry& e, const ModelParams& p, std::vector<NriReadStep>& out)
{
    const int c = coinsOf(p);
    NriReadStep date = step("Z", 1, c + 2, NriFill::OldDate);
    date.advance = true;
    date.pauseAfterMs = 200;
    out.push_back(date);

    NriReadStep values = e.nri.g10HeaderLength > 0 ? step("X", 1, c + 1, NriFill::G10Values)
                                                   : step("Y", 7, c + 1, NriFill::OldValues);
    values.advance = true;
    out.push_back(values);

    NriReadStep pause;
    pause.advance = true;
    pause.pauseAfterMs = 200;
    out.push_back(pause);

    for (int coin = 1; coin <= c; ++coin) {
        NriReadStep limits = step("", 8, coin, NriFill::OldLimits);
        limits.command = "V" + QByteArray::number(coin);
        limits.coin = coin;
        limits.pauseAfterMs = 200;
        limits.advance = true;
        out.push_back(limits);
    }
}

void newPlan(const MechEntry& e, std::vector<NriReadStep>& out)
{
    for (const NriReadStep& s : {step("X00", 1, 1), step("X01", 1, 2), step("X02", 1, 3, NriFill::Ident)}) {
        out.push_back(s);
        out.back().alwaysSent = true;
    }
    for (int coin = 1; coin <= kNewCoins; ++coin) {
        NriReadStep limits = step("", 1, coin + 3, NriFill::NewLimits);
        limits.command = "X0" + coinRecordDigit(coin);
        limits.coin = coin;
        limits.progress = coin;
        limits.alwaysSent = coin == 1;
        out.push_back(limits);
    }
    auto advancing = [](NriReadStep s) {
        s.advance = true;
        return s;
    };
    auto route = [](const char* command, int line, int index) {
        NriReadStep s = step(command, 1, line, NriFill::Route);
        s.index = index;
        return s;
    };

    if (e.nri.g10HeaderLength > 0) { // "G10-4000/5"
        out.push_back(advancing(step("X0F", 1, 16, NriFill::G10Values)));
        out.push_back(advancing(route("X10", 17, 0)));
        out.push_back(advancing(route("X11", 18, 1)));
        out.push_back(advancing(step("X12", 1, 19)));
        out.push_back(step("X13", 1, 20));
        out.push_back(step("X14", 1, 21));
        return;
    }
    out.push_back(advancing(step("X0F", 1, 16, NriFill::Outputs)));
    out.push_back(advancing(step("X10", 1, 17, NriFill::Values)));
    out.push_back(advancing(step("X12", 1, 19, NriFill::Inhibits)));
    out.push_back(advancing(step("X13", 1, 20, NriFill::ParamMap)));
    for (const char* command : {"X14", "X15", "X16", "X17", "X18"})
        out.push_back(step(command, 1, 21 + (command[2] - '4')));
    out.push_back(step("X19", 1, 26, NriFill::Compensation));
    if (e.nri.readsRecords1A1B) {
        NriReadStep a = step("X1A", 1, 27, NriFill::CompensationOne);
        a.index = 4;
        NriReadStep b = step("X1B", 1, 28, NriFill::CompensationOne);
        b.index = 5;
        out.push_back(a);
        out.push_back(b);
    }
    out.push_back(route("X11", 18, 0));
}

// ---- reply fields ----

void storeG10Values(const QByteArray& r, int headerLength, int coins, NriReadTables& t)
{
    t.coinValueMultipleRead = 1;
    t.nriG10Header = replyField(r, 1, headerLength);
    for (int k = 0; k < 4; ++k) // lowest value, then the left, middle and right tubes
        t.mechCoinValues[size_t(13 + k)] = decField(r, headerLength + 1 + 4 * k, 4);
    for (int c = 1; c <= std::min(coins, kG10ValueCoins); ++c)
        t.mechCoinValues[size_t(c)] = decField(r, headerLength + 17 + 4 * (c - 1), 4);
}

int inhibitLine(int byte)
{
    const int low6 = byte & 63;
    for (int k = 0; k < 6; ++k) {
        if (low6 == 1 << k)
            return k + 1;
    }
    return 0;
}

} // namespace

bool nriReadFills(const std::vector<NriReadStep>& plan, int n)
{
    return std::any_of(plan.begin(), plan.end(), [n](const NriReadStep& step) { return step.line == n; });
}

QString nriReadRecordName(const std::vector<NriReadStep>& plan, int n)
{
    const auto step = std::find_if(plan.begin(), plan.end(), [n](const NriReadStep& s) { return s.line == n; });
    if (step == plan.end() || step->command.isEmpty())
        return {};
    // A newer model's record is "X" and its two-digit number; an older model's command is all.
    const QByteArray& command = step->command;
    const bool numbered = command.size() == 3 && command.startsWith('X');
    QString name = QStringLiteral("record ") + QString::fromLatin1(numbered ? command.mid(1) : command);
    if (step->coin > 0)
        name += QStringLiteral(" (coin %1)").arg(step->coin);
    return name;
}

std::vector<NriReadStep> nriReadPlan(const MechEntry& entry, const ModelParams& params)
{
    std::vector<NriReadStep> out;
    if (entry.kind == MechKind::NriOld)
        oldPlan(entry, params, out);
    else if (entry.kind == MechKind::NriNew)
        newPlan(entry, out);
    return out;
}

void storeNriReply(const NriReadStep& step, const QByteArray& r, const MechEntry& entry,
                   const ModelParams& params, NriReadTables& t)
{
    const int coins = coinsOf(params);
    const int nParams = paramsOf(params);
    const QString text = plat::fromCp1252(r);
    auto setLine = [&](const QString& s) {
        if (step.line >= 1 && step.line <= 32)
            t.nriDataLines[size_t(step.line)] = s;
    };
    const bool coinOk = step.coin >= 1 && step.coin <= kMaxCoin;
    auto& limits = t.nriLimitTable[size_t(coinOk ? step.coin : 0)];

    switch (step.fill) {
    case NriFill::LineOnly:
        setLine(text);
        break;
    case NriFill::OldDate:
        // Day, month and year as dd/mm/yy at 29, 32 and 35.
        setLine(replyField(r, 29, 8));
        t.nriIdent = plat::hex2(decField(r, 29, 2)) + plat::hex2(decField(r, 32, 2)) +
                     plat::hex2(decField(r, 35, 2));
        break;
    case NriFill::OldValues:
        setLine(text);
        t.coinValueMultipleRead = decField(r, 1, 3);
        for (int k = 0; k < 6; ++k) // coin 6 first
            t.mechCoinValues[size_t(6 - k)] = decField(r, 4 + 3 * k, 3);
        break;
    case NriFill::G10Values:
        setLine(text);
        storeG10Values(r, entry.nri.g10HeaderLength, coins, t);
        break;
    case NriFill::OldLimits:
        setLine(text);
        if (!coinOk)
            break;
        for (int j = 0; j < nParams; ++j) {
            limits[size_t(2 * j + 2)] = decField(r, 3 * j + 1, 3);
            limits[size_t(2 * j + 1)] = decField(r, 3 * j + 13, 3);
        }
        break;
    case NriFill::Ident:
        setLine(text);
        t.nriIdent = text;
        break;
    case NriFill::NewLimits:
        setLine(text);
        if (!coinOk)
            break;
        for (int p = 1; p <= nParams; ++p) {
            limits[size_t(2 * p)] = hexField(r, 4 * (p - 1) + 1, 2);
            limits[size_t(2 * p - 1)] = hexField(r, 4 * (p - 1) + 3, 2);
        }
        break;
    case NriFill::Outputs:
        setLine(text);
        for (int c = 1; c <= coins; ++c)
            t.nriCoinX0F[size_t(c)] = hexField(r, 2 * c - 1, 2);
        break;
    case NriFill::Values: {
        setLine(text);
        const int m = hexField(r, 1, 2);
        t.coinValueMultipleRead = m;
        for (int c = 1; c <= coins; ++c)
            t.mechCoinValues[size_t(c)] = (m & 63) * hexField(r, 2 * c + 1, 2);
        break;
    }
    case NriFill::Inhibits:
        setLine(text);
        for (int c = 1; c <= coins; ++c) {
            const int b = hexField(r, 2 * c - 1, 2);
            t.nriCoinOutput[size_t(c)] = inhibitLine(b) + (b & 192);
        }
        break;
    case NriFill::ParamMap:
        setLine(text);
        for (int c = 1; c <= coins; ++c) {
            for (int p = 1; p <= nParams; ++p)
                t.nriParamTable[size_t(c)][size_t(p)] = hexField(r, 6 * (c - 1) + p, 1);
        }
        break;
    case NriFill::Compensation:
        setLine(text);
        for (int j = 0; j < std::min(entry.nri.compensationBytes, 6); ++j)
            t.nriCompensation[size_t(j)] = hexField(r, 2 * j + 1, 2);
        break;
    case NriFill::CompensationOne:
        setLine(text);
        if (step.index >= 0 && step.index <= 6)
            t.nriCompensation[size_t(step.index)] = hexField(r, 1, 2);
        break;
    case NriFill::Route:
        setLine(text);
        if (step.index >= 0 && step.index <= 2)
            t.nriInfoLines[size_t(step.index)] = text;
        break;
    }
}

// ---- programming ----

namespace {

// Builds record data field by field; the first field that cannot be encoded spoils the record.
class RecordData {
public:
    // Two hex digits of a value 0..255.
    RecordData& byte(qint64 v)
    {
        if (v < 0 || v > 255)
            ok_ = false;
        else
            data_ += plat::hex2(v).toLatin1();
        return *this;
    }
    // One hex digit of a value 0..15.
    RecordData& digit(qint64 v)
    {
        if (v < 0 || v > 15)
            ok_ = false;
        else
            data_ += plat::hexU(v).toLatin1();
        return *this;
    }
    // A whole number 0 .. 10^width - 1 with leading zeros.
    RecordData& decimal(qint64 v, int width)
    {
        const QByteArray digits = QByteArray::number(v);
        if (v < 0 || digits.size() > width)
            ok_ = false;
        else
            data_ += QByteArray(width - digits.size(), '0') + digits;
        return *this;
    }
    RecordData& text(const QString& s)
    {
        data_ += plat::toCp1252(s);
        return *this;
    }
    RecordData& raw(const QByteArray& b)
    {
        data_ += b;
        return *this;
    }
    bool ok() const { return ok_; }
    const QByteArray& data() const { return data_; }

private:
    QByteArray data_;
    bool ok_ = true;
};

qint32 clampedLimit(const LimitTable& t, int coin, int column)
{
    return std::clamp(t[size_t(coin)][size_t(column)], 0, 255);
}

class PlanBuilder {
public:
    // No model writes more than 20 records; with room for them, a step just added stays put
    // while the builder fills in its waits.
    PlanBuilder(NriProgramPlan& plan, bool acknowledged) : plan_(plan), acknowledged_(acknowledged)
    {
        plan_.steps.reserve(32);
    }

    NriWriteStep& add(const QByteArray& command, const RecordData& d)
    {
        // New models take their data in acknowledged two-character pieces.
        const bool sendable = !acknowledged_ || d.data().size() % 2 == 0;
        if ((!d.ok() || !sendable) && plan_.ok())
            plan_.refusedCommand = command;
        NriWriteStep s;
        s.command = command;
        s.data = d.data();
        plan_.steps.push_back(s);
        return plan_.steps.back();
    }

private:
    NriProgramPlan& plan_;
    bool acknowledged_;
};

void newModelRecords(const MechEntry& e, const ModelParams& p, const NriProgramInput& in,
                     const NriReadTables& lastRead, QDate today, PlanBuilder& b)
{
    const int coins = std::min(coinsOf(p), kNewCoins);
    const int nParams = paramsOf(p);
    for (int c = 1; c <= coins; ++c) {
        RecordData d;
        for (int q = 1; q <= nParams; ++q)
            d.byte(clampedLimit(in.coinLimitTable, c, 2 * q)).byte(clampedLimit(in.coinLimitTable, c, 2 * q - 1));
        NriWriteStep& s = b.add("Z0" + coinRecordDigit(c), d);
        s.progressBefore = c;
        s.pauseAfterMs = 100;
    }
    int bar = coins;
    NriWriteStep& date = b.add("Z02", RecordData().byte(today.day()).byte(today.month()).byte(today.year() - 2000));
    date.pauseBeforeMs = 100;
    date.progressBefore = ++bar;

    auto route = [&](int k) { return in.routingLoaded ? in.nriRouting[size_t(k)] : lastRead.nriInfoLines[size_t(k)]; };

    if (e.nri.g10HeaderLength > 0) { // "G10-4000/5"
        RecordData values;
        values.text(lastRead.nriG10Header);
        for (int k = 13; k <= 16; ++k)
            values.decimal(in.coinValues[size_t(k)], 4);
        for (int c = 1; c <= kG10ValueCoins; ++c)
            values.decimal(in.coinValues[size_t(c)], 4);
        const std::pair<const char*, RecordData> records[] = {
            {"Z0F", values}, {"Z10", RecordData().text(route(0))}, {"Z11", RecordData().text(route(1))}};
        for (const auto& [command, d] : records) {
            NriWriteStep& s = b.add(command, d);
            s.pauseAfterMs = 200;
            s.progressAfter = ++bar;
            s.skipOnceFailed = true;
        }
        return;
    }

    RecordData outputs;
    for (int c = 1; c <= coins; ++c)
        outputs.byte(in.coinOutputs[size_t(c)]);
    NriWriteStep& s0F = b.add("Z0F", outputs);
    s0F.pauseBeforeMs = 200;
    s0F.pauseAfterMs = 200;
    s0F.progressAfter = ++bar;
    s0F.skipOnceFailed = true;

    // Each coin value goes out as a multiple of the multiplier's low six bits.
    RecordData values;
    const qint32 unit = in.coinValueMultiple & 63;
    values.byte(in.coinValueMultiple);
    for (int c = 1; c <= coins; ++c) {
        if (unit == 0)
            values.byte(-1);
        else
            values.byte(in.coinValues[size_t(c)] < 0 ? -1 : in.coinValues[size_t(c)] / unit);
    }
    NriWriteStep& s10 = b.add("Z10", values);
    s10.pauseAfterMs = 200;
    s10.progressAfter = ++bar;
    s10.skipOnceFailed = true;

    RecordData inhibits;
    for (int c = 1; c <= coins; ++c) {
        const qint32 v = in.coin.nriCoinValues[size_t(c)];
        const int line = v & 63;
        inhibits.byte((v & 192) + (line >= 1 && line <= 6 ? 1 << (line - 1) : 0));
    }
    NriWriteStep& s12 = b.add("Z12", inhibits);
    s12.pauseAfterMs = 200;
    s12.progressAfter = ++bar;
    s12.followsPrevious = true;

    RecordData map;
    for (int c = 1; c <= coins; ++c) {
        for (int q = 1; q <= nParams; ++q)
            map.digit(in.coin.nriCoinParams[size_t(c)][size_t(q)]);
    }
    b.add("Z13", map).skipOnceFailed = true;

    if (in.nriXLoaded) {
        RecordData comp;
        for (int j = 0; j < std::min(e.nri.compensationBytes, 6); ++j)
            comp.byte(in.nriXValues[size_t(j)]);
        NriWriteStep& s19 = b.add("Z19", comp);
        s19.pauseBeforeMs = 200;
        s19.skipOnceFailed = true;
    }
    if (e.nri.writesRecord11) {
        NriWriteStep& s11 = b.add("Z11", RecordData().text(route(0)));
        s11.pauseAfterMs = 100;
        s11.skipOnceFailed = true;
    }
}

void oldModelRecords(const MechEntry& e, const ModelParams& p, const NriProgramInput& in,
                     const NriReadTables& lastRead, QDate today, PlanBuilder& b)
{
    const int coins = coinsOf(p);
    const int nParams = paramsOf(p);
    for (int c = 1; c <= coins; ++c) {
        RecordData d;
        d.decimal(c, 1);
        for (int q = 1; q <= nParams; ++q)
            d.decimal(clampedLimit(in.coinLimitTable, c, 2 * q), 3);
        d.raw("\r");
        for (int q = 1; q <= nParams; ++q)
            d.decimal(clampedLimit(in.coinLimitTable, c, 2 * q - 1), 3);
        d.raw("\r");
        NriWriteStep& s = b.add("D", d);
        s.pauseBeforeMs = c == 1 ? 200 : 0;
        s.progressBefore = 2 * c;
        s.pauseAfterMs = 300;
    }
    if (e.nri.g10HeaderLength > 0) { // "G10-4000"
        RecordData d;
        d.text(lastRead.nriG10Header);
        for (int k = 13; k <= 16; ++k)
            d.decimal(in.coinValues[size_t(k)], 4);
        for (int c = 1; c <= coins; ++c)
            d.decimal(in.coinValues[size_t(c)], 4);
        d.raw("::\r");
        b.add("F", d).pauseAfterMs = 400;
    } else {
        RecordData d;
        d.decimal(in.coinValueMultiple, 3);
        for (int c = coins; c >= 1; --c)
            d.decimal(in.coinValues[size_t(c)], 3);
        d.raw("\r");
        b.add("B", d).pauseAfterMs = 400;
    }
    RecordData date;
    date.decimal(today.day(), 2).raw("/").decimal(today.month(), 2).raw("/").decimal(today.year() - 2000, 2).raw("\r");
    b.add("E", date);
}

} // namespace

NriProgramPlan nriProgramPlan(const MechEntry& entry, const ModelParams& params, const NriProgramInput& input,
                              const NriReadTables& lastRead, QDate today)
{
    NriProgramPlan plan;
    PlanBuilder b(plan, entry.kind == MechKind::NriNew);
    if (entry.kind == MechKind::NriNew)
        newModelRecords(entry, params, input, lastRead, today, b);
    else if (entry.kind == MechKind::NriOld)
        oldModelRecords(entry, params, input, lastRead, today, b);
    return plan;
}

bool nriWriteStepRuns(const NriWriteStep& step, bool failed, bool previousRan)
{
    if (step.followsPrevious)
        return previousRan;
    return !(step.skipOnceFailed && failed);
}

std::vector<NriReadBack> nriReadBackPlan(const MechEntry& entry, const NriProgramPlan& plan)
{
    std::vector<NriReadBack> out;
    for (const NriWriteStep& step : plan.steps) {
        NriReadBack b;
        const QByteArray& d = step.data;
        // A record sent without data (one the model's read never fills) was not written.
        const bool newerRecord = step.command.size() == 3 && step.command.startsWith('Z');
        if (entry.kind == MechKind::NriNew && newerRecord && !d.isEmpty()) {
            b.command = "X" + step.command.mid(1);
            b.expected = d;
            b.record = QStringLiteral("record ") + QString::fromLatin1(step.command.mid(1));
        } else if (entry.kind == MechKind::NriOld && step.command == "D" && !d.isEmpty()) {
            // The coin digit, then the high and the low limits, each group ended by CR.
            b.command = "V" + d.left(1);
            b.replies = 8;
            b.expected = QByteArray(d.mid(1)).replace('\r', QByteArray());
            b.record = QStringLiteral("record D (coin %1)").arg(QString::fromLatin1(d.left(1)));
        } else if (entry.kind == MechKind::NriOld && step.command == "B") {
            b.command = "Y";
            b.replies = 7;
            b.expected = QByteArray(d).replace('\r', QByteArray());
            b.record = QStringLiteral("record B");
        } else if (entry.kind == MechKind::NriOld && step.command == "F") {
            b.command = "X";
            b.expected = d.endsWith("::\r") ? d.chopped(3) : d;
            b.record = QStringLiteral("record F");
        } else if (entry.kind == MechKind::NriOld && step.command == "E") {
            // The date as dd/mm/yy where the "Z" line keeps it.
            b.command = "Z";
            b.expected = QByteArray(d).replace('\r', QByteArray());
            b.from = 28;
            b.record = QStringLiteral("record E");
        } else {
            continue;
        }
        out.push_back(b);
    }
    return out;
}

bool nriReadBackHolds(const NriReadBack& check, const QByteArray& reply)
{
    return reply.mid(check.from, check.expected.size()) == check.expected &&
           (check.from > 0 || reply.size() == check.expected.size());
}

std::optional<std::vector<QByteArray>> nriDataPieces(const QByteArray& data)
{
    if (data.size() % 2 != 0)
        return std::nullopt;
    std::vector<QByteArray> pieces;
    for (qsizetype k = 0; k < data.size(); k += 2)
        pieces.push_back(data.mid(k, 2));
    return pieces;
}

} // namespace quenby
