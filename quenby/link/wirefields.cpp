#include "quenby/link/wirefields.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <limits>

namespace quenby {

namespace {

qint32 wholeOrZero(double v)
{
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    return v >= lo && v <= hi ? plat::cLng(v) : 0;
}

QByteArray bytesAt(const QByteArray& reply, int pos, int len)
{
    if (pos < 1 || len <= 0 || pos > reply.size())
        return {};
    return reply.mid(pos - 1, len);
}

} // namespace

QString replyField(const QByteArray& reply, int pos, int len)
{
    return plat::fromCp1252(bytesAt(reply, pos, len));
}

qint32 hexField(const QByteArray& reply, int pos, int len)
{
    // At most eight digits reach val(), so it cannot overflow.
    const QString digits = replyField(reply, pos, qMin(len, 8));
    return wholeOrZero(plat::val(QStringLiteral("&H") + digits));
}

qint32 decField(const QByteArray& reply, int pos, int len)
{
    try {
        return wholeOrZero(plat::val(replyField(reply, pos, len)));
    } catch (const std::exception&) {
        return 0; // a number beyond any range
    }
}

} // namespace quenby
