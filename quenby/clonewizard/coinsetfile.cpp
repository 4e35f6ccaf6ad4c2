#include "quenby/clonewizard/coinsetfile.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/clonewizard/wizardlists.h"
#include "quenby/link/familytable.h"
#include "quenby/shell/general.h"
#include "quenby/shell/texts.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace quenby {

namespace {

bool isHexDigit(QChar c) { return plat::hexDigit(c) >= 0; }

// The slug of an S record names its channel on the models that read a measurement through the
// coin's own parameter map: the slug is measured through that channel's map.
bool slugNamesChannel(Family family, const QString& model)
{
    return mechEntry(family, model).wizard.paramSlots.has_value();
}

enum class Number { Ok, NotNumber, TooLarge };

struct Whole {
    Number state = Number::NotNumber;
    qint32 value = 0;
};

// A field that must be a number: blanks around it, a sign, digits with an optional decimal part,
// rounded to a whole number (halves to even).
Whole strictWhole(const QString& field)
{
    static const QRegularExpression shape(QStringLiteral(R"(^[ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)[ \t]*$)"));
    if (!shape.match(field).hasMatch())
        return {};
    try {
        return {Number::Ok, plat::cLng(plat::val(field))};
    } catch (const plat::RuntimeError&) {
        return {Number::TooLarge, 0};
    }
}

// A field read by the number it begins with (none gives 0).
Whole leadingWhole(const QString& field)
{
    try {
        return {Number::Ok, plat::cLng(plat::val(field))};
    } catch (const plat::RuntimeError&) {
        return {Number::TooLarge, 0};
    }
}

// A "120M" value: "x" and 1..8 hex digits, 16-bit signed up to four digits, 32-bit beyond, less
// 32768. Empty when it is not one.
std::optional<qint64> hexOutputValue(const QString& field)
{
    const QString digits = field.mid(1);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    for (QChar c : digits)
        if (!isHexDigit(c))
            return std::nullopt;
    const quint32 raw = digits.toUInt(nullptr, 16);
    const qint64 v = digits.size() <= 4 ? qint64(qint16(quint16(raw))) : qint64(qint32(raw));
    return v - 32768;
}

struct Failure {
    CoinsetVerdict verdict;
};

struct DataKey {
    const char* key;
    int values; // numeric fields after the key
    int texts;  // text fields after the key
};

// D record keys the run knows; every other key is skipped.
constexpr DataKey kDataKeys[] = {
    {"435R", 23, 0},     {"450R", 3, 0},      {"SentinelR", 2, 0}, {"120M", 12, 0},       {"120N", 12, 0},
    {"G13-6000P", 0, 1}, {"G40-0000P", 0, 1}, {"G18-3000P", 0, 1}, {"G13-6000X", 6, 0},   {"G40-0000X", 6, 0},
    {"G18-3000X", 6, 0}, {"G40-0000R", 0, 1}, {"G18-3000R", 0, 1}, {"G10-4000/5R", 0, 2},
};

const DataKey* dataKey(const QString& key)
{
    for (const DataKey& k : kDataKeys)
        if (key == QLatin1String(k.key))
            return &k;
    return nullptr;
}

class Checker {
public:
    Checker(const QString& fileName, const QStringList& lines, Family mechFamily, const TextTable& texts)
        : fileName_(fileNameOf(fileName)), lines_(lines), family_(mechFamily), texts_(texts)
    {
    }

    CoinsetCheck run()
    {
        CoinsetCheck out;
        try {
            if (lines_.isEmpty())
                fail(CoinsetFault::Empty, 0, 0, {}, {}, tx(576));
            const bool text = std::all_of(lines_.begin(), lines_.end(), isText);
            if (!text && !headerAccepted(header(plat::csvFields(lines_[0])))) {
                // Whatever the first bytes of a binary file spell is no family and model to name.
                out.outcome = CoinsetCheck::Outcome::HeaderRejected;
                out.notText = true;
                return out;
            }
            lineLength(0);
            const QStringList head = plat::csvFields(lines_[0]);
            out.header = header(head);
            if (!headerAccepted(out.header)) {
                out.outcome = CoinsetCheck::Outcome::HeaderRejected;
                return out;
            }
            modelSetUp(out.header.model);
            fieldCount(1, head, 4, tx(577));

            if (lines_.size() < 2)
                fail(CoinsetFault::Truncated, 2, 0, {}, {}, tx(578));
            lineLength(1);
            std::optional<MarsPromLine> mars;
            if (family_ == Family::Mars)
                mars = promLine(lines_[1]);

            std::vector<CoinsetRecord> records;
            int gathered = 0;
            bool windows = false;
            for (int i = 2; i < lines_.size(); ++i) {
                lineLength(i);
                CoinsetRecord r = record(i + 1, lines_[i]);
                if (r.gathers() && ++gathered > kMaxGatheredRecords)
                    fail(CoinsetFault::TooManyRecords, i + 1, 0, {}, {},
                         tx(579)
                             .arg(kMaxGatheredRecords));
                windows = windows || r.type == RecordType::CoinDrop || r.type == RecordType::RefCoin ||
                          r.type == RecordType::CopyCoin;
                records.push_back(std::move(r));
            }
            if (!windows)
                fail(CoinsetFault::NoCoinRecords, 0, 0, {}, {},
                     tx(580));

            out.outcome = CoinsetCheck::Outcome::Accepted;
            out.mars = mars;
            out.records = std::move(records);
        } catch (const Failure& f) {
            return invalid(f.verdict);
        } catch (const std::exception& e) {
            CoinsetVerdict v;
            v.fault = CoinsetFault::Unreadable;
            v.fileName = fileName_;
            v.detail = plat::errInfo(e).description;
            return invalid(v);
        }
        return out;
    }

private:
    static CoinsetCheck invalid(const CoinsetVerdict& v)
    {
        CoinsetCheck bad;
        bad.outcome = CoinsetCheck::Outcome::Invalid;
        bad.verdict = v;
        return bad;
    }

    [[noreturn]] void fail(CoinsetFault fault, int line, int field, const QString& fieldName, const QString& value,
                           const QString& detail) const
    {
        CoinsetVerdict v;
        v.fault = fault;
        v.fileName = fileName_;
        v.line = line;
        v.field = field;
        v.fieldName = fieldName;
        v.value = value.size() > 40 ? value.left(40) + QStringLiteral("...") : value;
        v.detail = detail;
        throw Failure{v};
    }

    // Text holds no control characters but the tab.
    static bool isText(const QString& line)
    {
        return std::none_of(line.begin(), line.end(),
                            [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F; });
    }

    void lineLength(int index) const
    {
        if (lines_[index].size() > kMaxLineLength)
            fail(CoinsetFault::LineTooLong, index + 1, 0, {}, {},
                 tx(581)
                     .arg(lines_[index].size())
                     .arg(kMaxLineLength));
    }

    static CoinsetHeader header(const QStringList& f)
    {
        CoinsetHeader h;
        h.mechType = f.value(0);
        const qsizetype dot = h.mechType.lastIndexOf(u'.');
        if (dot >= 0) {
            h.family = h.mechType.left(dot);
            h.model = h.mechType.mid(dot + 1);
        }
        h.title = f.value(1);
        h.refCode = f.value(2);
        h.version = f.value(3);
        return h;
    }

    bool headerAccepted(const CoinsetHeader& h) const
    {
        return familyNamed(h.family) == family_ && isInList(h.model, modelList(family_));
    }

    void modelSetUp(const QString& model)
    {
        setMechParameters(params_, family_, model, texts_);
        model_ = model;
        maxChannel_ = family_ == Family::Mars ? mechEntry(family_, model).mars.maxSegments * 6 : params_.coinCount;
    }

    // Fields past `expected` may only be empty (a trailing comma).
    void fieldCount(int line, const QStringList& f, int expected, const QString& what) const
    {
        int used = int(f.size());
        while (used > expected && f[used - 1].trimmed().isEmpty())
            --used;
        if (used != expected)
            fail(CoinsetFault::FieldCount, line, 0, {}, {},
                 tx(582).arg(used).arg(expected).arg(what));
    }

    qint32 number(int line, const QStringList& f, int field, const QString& name, bool strict) const
    {
        const QString text = f.value(field - 1);
        const Whole w = strict ? strictWhole(text) : leadingWhole(text);
        if (w.state == Number::NotNumber)
            fail(CoinsetFault::NotNumber, line, field, name, text, tx(583));
        if (w.state == Number::TooLarge)
            fail(CoinsetFault::OutOfRange, line, field, name, text, tx(584));
        return w.value;
    }

    qint32 inRange(int line, const QStringList& f, int field, const QString& name, bool strict, qint32 lo,
                   qint32 hi) const
    {
        const qint32 v = number(line, f, field, name, strict);
        if (v < lo || v > hi)
            fail(CoinsetFault::OutOfRange, line, field, name, f.value(field - 1),
                 tx(585).arg(lo).arg(hi));
        return v;
    }

    qint32 tolerance(int line, const QStringList& f, int field, int p) const
    {
        return inRange(line, f, field, tx(586).arg(p), true, 0, std::numeric_limits<qint32>::max());
    }

    qint32 count(int line, const QStringList& f, int field, bool strict) const
    {
        return inRange(line, f, field, tx(587), strict, 1, kMaxCoinCount);
    }

    // The channel a name gives, when the name is one of the forms coinnumber reads as written and
    // the channel lies in 1..top.
    qint32 channel(int line, const QStringList& f, int field, const QString& name, int top) const
    {
        static const QRegularExpression forms(
            QStringLiteral(R"(^(R[0-9]{2}|Coin ?[0-9]{2}|Coin [0-9]|[0-9]{1,2}|[A-F][1-4])$)"));
        const QString text = f.value(field - 1);
        qint32 c = 0;
        if (forms.match(text).hasMatch())
            c = coinnumber(text);
        if (c < 1 || c > top)
            fail(CoinsetFault::UnknownCoin, line, field, name, text,
                 tx(588).arg(top));
        return c;
    }

    qint32 reference(int line, const QStringList& f, int field, const QString& name) const
    {
        // The run reads the number from the last two characters of the caption "Ref " & source:
        // a number, perhaps after a letter or two ("R01").
        static const QRegularExpression digits(QStringLiteral(R"(^[ \t]*[A-Za-z]{0,3}[0-9]{1,2}$)"));
        const QString text = f.value(field - 1);
        qint32 n = 0;
        if (digits.match(text).hasMatch())
            n = plat::cLng(plat::val(plat::right(QStringLiteral("Ref ") + text, 2)));
        if (n < 1 || n > kMaxReference)
            fail(CoinsetFault::BadReference, line, field, name, text,
                 tx(589).arg(kMaxReference));
        return n;
    }

    QString source(int line, const QStringList& f, int field, const QString& name) const
    {
        const QString caption = limitModeName(f.value(field - 1));
        if (caption.isEmpty())
            fail(CoinsetFault::BadSource, line, field, name, f.value(field - 1),
                 tx(590));
        return caption;
    }

    MarsPromLine promLine(const QString& line) const
    {
        const QStringList f = plat::csvFields(line);
        fieldCount(2, f, 11, tx(591));
        MarsPromLine m;
        m.sizeText = f[0];
        m.size2K = m.sizeText.endsWith(QLatin1String("2K"));
        for (int s = 0; s < 4; ++s)
            m.segments[std::size_t(s)] = inRange(2, f, s + 2, tx(592).arg(s + 1), true, 0, 1);
        for (int k = 0; k < 6; ++k)
            m.idleLimits[std::size_t(k)] =
                number(2, f, k + 6,
                       tx(k % 2 ? 594 : 593).arg(k / 2 + 1), true);
        return m;
    }

    CoinsetRecord record(int line, const QString& text) const
    {
        const QStringList f = QString(text).remove(u'"').split(u',');
        CoinsetRecord r;
        r.line = line;
        r.typeText = f.value(0);
        r.description = f.value(1);
        const int P = params_.paramCount;
        const QString what = tx(595).arg(P).arg(model_);
        if (r.typeText == u"CD") {
            r.type = RecordType::CoinDrop;
            fieldCount(line, f, 4 + 5 * P, what);
            r.name = f[2];
            r.channel = channel(line, f, 3, tx(596), maxChannel_);
            r.count = count(line, f, 4, false);
            for (int p = 1; p <= P; ++p) {
                const int b = 5 + 5 * (p - 1);
                LimitRecipe l;
                l.lowSource = source(line, f, b, tx(597).arg(p));
                l.lowValue = number(line, f, b + 1, tx(598).arg(p), true);
                l.highSource = source(line, f, b + 2, tx(599).arg(p));
                l.highValue = number(line, f, b + 3, tx(600).arg(p), true);
                l.tolerance = tolerance(line, f, b + 4, p);
                r.limits.push_back(l);
            }
        } else if (r.typeText == u"CR") {
            r.type = RecordType::RefCoin;
            fieldCount(line, f, 3 + 5 * P, what);
            r.name = f[2];
            r.channel = channel(line, f, 3, tx(596), maxChannel_);
            for (int p = 1; p <= P; ++p) {
                const int b = 4 + 5 * (p - 1);
                LimitRecipe l;
                reference(line, f, b, tx(601).arg(p));
                l.lowSource = QStringLiteral("Ref ") + f[b - 1];
                l.lowValue = number(line, f, b + 1, tx(602).arg(p), true);
                l.reference = reference(line, f, b + 2, tx(603).arg(p));
                l.highSource = QStringLiteral("Ref ") + f[b + 1];
                l.highValue = number(line, f, b + 3, tx(604).arg(p), true);
                l.tolerance = tolerance(line, f, b + 4, p);
                r.limits.push_back(l);
            }
        } else if (r.typeText == u"CO") {
            r.type = RecordType::CopyCoin;
            fieldCount(line, f, 4, tx(605));
            r.name = f[2];
            r.channel = channel(line, f, 3, tx(596), maxChannel_);
            r.sourceName = f[3];
            r.sourceChannel = channel(line, f, 4, tx(606), maxChannel_);
        } else if (r.typeText == u"S") {
            r.type = RecordType::Slug;
            const bool named = slugNamesChannel(family_, model_);
            fieldCount(line, f, 3 + 2 * P + (named ? 1 : 0), what);
            r.count = count(line, f, 3, true);
            for (int p = 1; p <= P; ++p) {
                r.slugOffsets.push_back(number(line, f, 2 + 2 * p, tx(607).arg(p), true));
                r.tolerances.push_back(tolerance(line, f, 3 + 2 * p, p));
            }
            r.name = kSlugRecord;
            if (named) {
                r.name = f[3 + 2 * P];
                r.channel = channel(line, f, 4 + 2 * P, tx(608), params_.coinCount);
            }
        } else if (r.typeText == u"R") {
            r.type = RecordType::Reference;
            fieldCount(line, f, 4 + P, what);
            r.name = f[2];
            r.channel = channel(line, f, 3, tx(609), kMaxReference);
            r.count = count(line, f, 4, true);
            for (int p = 1; p <= P; ++p)
                r.tolerances.push_back(tolerance(line, f, 4 + p, p));
        } else if (r.typeText == u"V") {
            r.type = RecordType::Values;
            fieldCount(line, f, 18, tx(610));
            for (int k = 2; k <= 18; ++k)
                r.values.push_back(number(
                    line, f, k, k < 18 ? tx(611).arg(k - 1) : tx(612),
                    false));
        } else if (r.typeText == u"D") {
            const DataKey* key = dataKey(r.description);
            if (key)
                dataRecord(r, f, *key);
        }
        return r;
    }

    void dataRecord(CoinsetRecord& r, const QStringList& f, const DataKey& key) const
    {
        const int line = r.line;
        r.type = RecordType::Data;
        r.key = r.description;
        fieldCount(line, f, 2 + key.values + key.texts, tx(613).arg(r.key));
        const bool hexOutputs = r.key == u"120M";
        const bool outputNumbers = hexOutputs || r.key == u"120N";
        for (int k = 3; k < 3 + key.values; ++k) {
            const QString name = tx(614).arg(k - 2);
            const QString text = f[k - 1];
            if (hexOutputs && text.startsWith(u'x')) {
                const std::optional<qint64> v = hexOutputValue(text);
                if (!v)
                    fail(CoinsetFault::BadHex, line, k, name, text,
                         tx(615));
                if (*v < std::numeric_limits<qint32>::min())
                    fail(CoinsetFault::OutOfRange, line, k, name, text, tx(616));
                r.values.push_back(qint32(*v));
                continue;
            }
            const qint32 v = number(line, f, k, name, false);
            r.values.push_back(outputNumbers && (v < 1 || v > 6) ? 0 : v);
        }
        for (int k = 3 + key.values; k < 3 + key.values + key.texts; ++k)
            r.texts << f[k - 1];
        if (r.key.endsWith(u'P')) {
            const int at = nriCoinDataFault(r.texts.value(0), params_.paramCount, params_.coinCount);
            if (at)
                fail(CoinsetFault::BadCoinData, line, 3, tx(617), r.texts.value(0),
                     tx(618)
                         .arg(at)
                         .arg(params_.paramCount * params_.coinCount)
                         .arg(73)
                         .arg(96)
                         .arg(std::max(kNriCoinDataLength, params_.paramCount * params_.coinCount)));
        }
    }

    QString tx(int id) const { return texts_.getText(id); }

    QString fileName_;
    const QStringList& lines_;
    Family family_;
    const TextTable& texts_;
    QString model_;
    ModelParams params_;
    int maxChannel_ = 0;
};

} // namespace

QString fileNameOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

qint32 coinnumber(const QString& name)
{
    if (name.startsWith(u'R') || name.startsWith(QLatin1String("Coin")))
        return plat::cLng(plat::val(plat::right(name, 2)));
    if (!name.isEmpty() && name[0] >= u'0' && name[0] <= u'9')
        return plat::cLng(plat::val(name));
    if (name.isEmpty() || name == kSlugRecord)
        return 0;
    const qint32 letter = qint32(quint8(plat::toCp1252(name.left(1)).at(0))) - 'A' + 1;
    const QString bank = plat::mid(name, 2, 1);
    const qint32 offset = bank == u"2" ? 6 : bank == u"3" ? 12 : bank == u"4" ? 18 : 0;
    return letter + offset;
}

QString coinsetFilePath(const QString& chosen) { return plat::withExtension(chosen, QStringLiteral(".cst"), false); }

bool isGenericCoinset(const QString& path) { return fileNameOf(path).left(2).toUpper() == u"QZ"; }

bool MarsPromLine::idleInRange(const std::array<qint32, 3>& idleValues) const
{
    for (std::size_t i = 0; i < 3; ++i)
        if (idleValues[i] < idleLimits[2 * i] || idleValues[i] > idleLimits[2 * i + 1])
            return false;
    return true;
}

QString coinsetVerdictText(const CoinsetVerdict& v, const TextTable& texts)
{
    QString text = texts.getText(566) + v.fileName + QStringLiteral("\r\n");
    if (v.line > 0) {
        text += texts.getText(567) + QString::number(v.line);
        if (v.field > 0)
            text += texts.getText(568) + QString::number(v.field);
        if (!v.fieldName.isEmpty())
            text += QStringLiteral(" (") + v.fieldName + u')';
        if (v.field > 0)
            text += QStringLiteral(": \"") + v.value + u'"';
        text += QStringLiteral("\r\n");
    }
    return text + v.detail;
}

CoinsetCheck checkCoinset(const QString& fileName, const QStringList& lines, Family mechFamily,
                          const TextTable& texts)
{
    return Checker(fileName, lines, mechFamily, texts).run();
}

CoinsetCheck checkCoinset(const QString& fileName, const QStringList& lines, Family mechFamily)
{
    static const TextTable english;
    return checkCoinset(fileName, lines, mechFamily, english);
}

CoinsetCheck readCoinsetFile(const QString& path, Family mechFamily, const TextTable& texts)
{
    const plat::TextLines text = plat::readLines(path);
    if (!text.ok) {
        CoinsetCheck bad;
        bad.verdict.fault = CoinsetFault::Unreadable;
        bad.verdict.fileName = fileNameOf(path);
        bad.verdict.detail = texts.getText(619) + text.error;
        return bad;
    }
    return checkCoinset(path, text.lines, mechFamily, texts);
}

CoinsetCheck readCoinsetFile(const QString& path, Family mechFamily)
{
    static const TextTable english;
    return readCoinsetFile(path, mechFamily, english);
}

int nriCoinDataFault(const QString& data, int paramCount, int coinCount)
{
    const int digits = paramCount * coinCount;
    for (int k = 1; k <= digits; ++k)
        if (k > data.size() || !isHexDigit(data[k - 1]))
            return k;
    for (int k = 73; k <= 96; ++k)
        if (k > data.size() || !isHexDigit(data[k - 1]))
            return k;
    const int length = std::max(kNriCoinDataLength, digits);
    return data.size() < length ? int(data.size()) + 1 : 0;
}

void applyRecordSettings(const CoinsetRecord& r, RecordStats& s, std::array<qint32, 7>& flierTolerance, int paramCount)
{
    checkParamCount(paramCount);
    switch (r.type) {
    case RecordType::CoinDrop:
    case RecordType::RefCoin:
        if (r.type == RecordType::CoinDrop)
            s.recordMode = 1;
        s.recordKind = kCoinRecord;
        for (int p = 0; p < paramCount && p < int(r.limits.size()); ++p) {
            const LimitRecipe& l = r.limits[std::size_t(p)];
            s.limitSource[std::size_t(2 * p)] = l.lowSource;
            s.limitOffset[std::size_t(2 * p + 1)] = l.lowValue;
            s.limitSource[std::size_t(2 * p + 1)] = l.highSource;
            s.limitOffset[std::size_t(2 * p + 2)] = l.highValue;
            flierTolerance[std::size_t(p + 1)] = l.tolerance;
        }
        break;
    case RecordType::Slug:
        s.recordMode = 2;
        s.recordKind = kSlugRecord;
        for (int p = 0; p < paramCount && p < int(r.slugOffsets.size()); ++p) {
            s.slugOffset[std::size_t(p + 1)] = r.slugOffsets[std::size_t(p)];
            flierTolerance[std::size_t(p + 1)] = r.tolerances[std::size_t(p)];
        }
        break;
    case RecordType::Reference:
        s.recordMode = 3;
        s.recordKind = kCoinRecord;
        for (int p = 0; p < paramCount && p < int(r.tolerances.size()); ++p)
            flierTolerance[std::size_t(p + 1)] = r.tolerances[std::size_t(p)];
        for (int L = 0; L < 2 * paramCount; ++L) {
            s.limitSource[std::size_t(L)] = limitsrc::Mean;
            s.limitOffset[std::size_t(L + 1)] = 0;
        }
        break;
    default:
        break;
    }
}

} // namespace quenby
