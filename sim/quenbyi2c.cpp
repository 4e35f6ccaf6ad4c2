#include "sim/quenbyi2c.h"

namespace sim {

namespace {
constexpr char kCr = '\r';
constexpr int kLongestLine = 64; // a longer line is noise: it is dropped
} // namespace

void SentinelInterface::reset()
{
    line_.clear();
    afterCr_ = false;
    open_ = false;
}

void SentinelInterface::onBytes(const QByteArray& bytes)
{
    for (char c : bytes)
        onByte(c);
}

void SentinelInterface::onByte(char c)
{
    const bool echo = !i2cStuck && !faults_.strikes(Fault::NoEcho);
    if (echo && toProgram)
        toProgram(QByteArray(1, c), 0);

    if (c == kCr) {
        if (!line_.isEmpty() && open_) {
            const std::optional<I2cReply> reply = toMech ? toMech(line_) : std::nullopt;
            if (reply && toProgram)
                toProgram(reply->line + kCr + reply->trailing, reply->delayMs);
        }
        line_.clear();
        afterCr_ = true;
        return;
    }
    if (c == '#' && afterCr_ && line_.isEmpty()) {
        open_ = !open_;
        afterCr_ = false;
        return;
    }
    afterCr_ = false;
    line_.append(c);
    if (line_ == "TKI") {
        line_.clear();
        if (!toProgram)
            return;
        if (i2cStuck)
            toProgram(QByteArray("ESTCK") + kCr, 0);
        else if (open_)
            toProgram(ident.mid(1) + kCr, 0); // the "I" went out as the echo
        return;
    }
    if (line_.size() > kLongestLine)
        line_.clear();
}

} // namespace sim
