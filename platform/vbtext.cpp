#include "platform/vbtext.h"

#include "platform/runtimeerror.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace plat {

namespace {

[[noreturn]] void overflow() { throw RuntimeError(6, "Overflow"); }

QString withSign(QString digits, bool negative)
{
    return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

QString strFloating(double x, int precision)
{
    if (x == 0)
        return QStringLiteral(" 0"); // also for -0
    if (!std::isfinite(x))
        return withSign(std::isnan(x) ? QStringLiteral("NaN") : QStringLiteral("Inf"), x < 0);
    QString t = QString::number(std::fabs(x), 'g', precision).toUpper();
    if (t.startsWith(QLatin1String("0.")))
        t.remove(0, 1);
    return withSign(t, x < 0);
}

double roundHalfEven(double x)
{
    if (std::isnan(x))
        overflow();
    const double fl = std::floor(x);
    const double diff = x - fl;
    if (diff > 0.5)
        return fl + 1;
    if (diff < 0.5)
        return fl;
    return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

bool isDigitIn(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (base == 8)
        return u >= '0' && u <= '7';
    if (base == 16)
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    return u >= '0' && u <= '9';
}

// "&H"/"&O" numbers: the width of the result follows the value, as the classic literals do.
double radixValue(const QString& s, int pos, int base)
{
    quint64 v = 0;
    bool any = false;
    for (; pos < s.size() && isDigitIn(s[pos], base); ++pos) {
        any = true;
        v = v * base + QString(s[pos]).toUInt(nullptr, 16);
        if (v > 0xFFFFFFFFull)
            overflow();
    }
    if (!any)
        return 0;
    if (v <= 0xFFFF)
        return static_cast<qint16>(static_cast<quint16>(v));
    return static_cast<qint32>(static_cast<quint32>(v));
}

} // namespace

QString strLong(qint64 n)
{
    if (n < 0)
        return QStringLiteral("-") + QString::number(static_cast<quint64>(0) - static_cast<quint64>(n));
    return QStringLiteral(" ") + QString::number(n);
}

QString str(double x) { return strFloating(x, 15); }
QString str(float x) { return strFloating(x, 7); }

qint32 cLng(double x)
{
    const double r = roundHalfEven(x);
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        overflow();
    return static_cast<qint32>(r);
}

qint16 cInt(double x)
{
    const double r = roundHalfEven(x);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        overflow();
    return static_cast<qint16>(r);
}

double intFloor(double x) { return std::floor(x); }

double val(const QString& s)
{
    int i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r'))
        ++i;
    if (i + 1 < s.size() && s[i] == u'&') {
        const QChar k = s[i + 1].toUpper();
        if (k == u'H')
            return radixValue(s, i + 2, 16);
        if (k == u'O')
            return radixValue(s, i + 2, 8);
        return 0;
    }
    std::string text;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        text += char(s[i++].unicode());
    bool digits = false;
    while (i < s.size() && isDigitIn(s[i], 10)) {
        text += char(s[i++].unicode());
        digits = true;
    }
    if (i < s.size() && s[i] == u'.') {
        text += '.';
        ++i;
        while (i < s.size() && isDigitIn(s[i], 10)) {
            text += char(s[i++].unicode());
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        int j = i + 1;
        std::string exp = "E";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exp += char(s[j++].unicode());
        bool expDigits = false;
        while (j < s.size() && isDigitIn(s[j], 10)) {
            exp += char(s[j++].unicode());
            expDigits = true;
        }
        if (expDigits)
            text += exp;
    }
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v))
        overflow();
    return v;
}

QString format(double x, const QString& pattern)
{
    // Split the pattern into literal prefix, digit body and literal suffix.
    int first = -1;
    for (int k = 0; k < pattern.size(); ++k) {
        if (pattern[k] == u'0' || pattern[k] == u'#' || pattern[k] == u'.') {
            first = k;
            break;
        }
    }
    if (first < 0)
        return pattern;
    int end = first;
    while (end < pattern.size() && (pattern[end] == u'0' || pattern[end] == u'#' || pattern[end] == u'.'))
        ++end;
    const QString prefix = pattern.left(first);
    const QString body = pattern.mid(first, end - first);
    const QString suffix = pattern.mid(end);

    const int dot = body.indexOf(u'.');
    const QString intPat = dot < 0 ? body : body.left(dot);
    const QString fracPat = dot < 0 ? QString() : body.mid(dot + 1).remove(u'.');
    const int minInt = int(intPat.count(u'0'));
    const int decimals = int(fracPat.size());
    const int requiredFrac = int(fracPat.lastIndexOf(u'0')) + 1;

    if (!std::isfinite(x))
        return prefix + str(x).trimmed() + suffix;

    // The value as 15 significant decimal digits, rounded in decimal like the classic Format.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    const QString e = QString::fromLatin1(buf);
    const QString mant = e.left(e.indexOf(u'e')).remove(u'.');
    const int exponent = e.mid(e.indexOf(u'e') + 1).toInt();
    const int pointAt = exponent + 1; // digits before the decimal point
    QString intPart, frac;
    if (pointAt <= 0) {
        frac = QString(-pointAt, u'0') + mant;
    } else if (pointAt >= mant.size()) {
        intPart = mant + QString(pointAt - mant.size(), u'0');
    } else {
        intPart = mant.left(pointAt);
        frac = mant.mid(pointAt);
    }
    bool carry = frac.size() > decimals && frac[decimals] >= u'5';
    frac = frac.left(decimals);
    for (int k = frac.size() - 1; carry && k >= 0; --k) {
        if (frac[k] == u'9') {
            frac[k] = u'0';
        } else {
            frac[k] = QChar(frac[k].unicode() + 1);
            carry = false;
        }
    }
    for (int k = intPart.size() - 1; carry && k >= 0; --k) {
        if (intPart[k] == u'9') {
            intPart[k] = u'0';
        } else {
            intPart[k] = QChar(intPart[k].unicode() + 1);
            carry = false;
        }
    }
    if (carry)
        intPart.prepend(u'1');
    frac = frac.leftJustified(decimals, u'0');

    int lead = 0;
    while (lead < intPart.size() && intPart[lead] == u'0')
        ++lead;
    intPart = intPart.mid(lead);
    bool nonZero = !intPart.isEmpty();
    for (QChar c : frac)
        nonZero = nonZero || c != u'0';
    if (intPart.size() < minInt)
        intPart = QString(minInt - intPart.size(), u'0') + intPart;
    while (frac.size() > requiredFrac && frac.endsWith(u'0'))
        frac.chop(1);

    QString out = intPart;
    if (dot >= 0)
        out += u'.' + frac;
    // A value that rounds to zero is written without a sign.
    return (x < 0 && nonZero ? QStringLiteral("-") : QString()) + prefix + out + suffix;
}

QString hexU(qint64 n)
{
    const quint64 v = n < 0 ? static_cast<quint64>(static_cast<quint32>(n)) : static_cast<quint64>(n);
    return QString::number(v, 16).toUpper();
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

QString hex2(qint64 n) { return QStringLiteral("%1").arg(n & 0xFF, 2, 16, QChar(u'0')).toUpper(); }

QString hex4(qint64 n) { return QStringLiteral("%1").arg(n & 0xFFFF, 4, 16, QChar(u'0')).toUpper(); }

QString left(const QString& s, qint64 n)
{
    if (n <= 0)
        return {};
    return n >= s.size() ? s : s.left(n);
}

QString right(const QString& s, qint64 n)
{
    if (n <= 0)
        return {};
    return n >= s.size() ? s : s.right(n);
}

QString mid(const QString& s, qint64 start, qint64 len)
{
    if (start < 1)
        throw RuntimeError(5, "Invalid procedure call or argument");
    if (start > s.size() || len == 0)
        return {};
    const qint64 from = start - 1;
    const qint64 avail = s.size() - from;
    return s.mid(from, len < 0 || len > avail ? avail : len);
}

QString space(qint64 n) { return n <= 0 ? QString() : QString(n, u' '); }

} // namespace plat
