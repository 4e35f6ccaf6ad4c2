#include "sim/ccmech.h"

#include <stdexcept>

namespace sim {

namespace {
constexpr char kAck = 0x05;
constexpr char kNak = 0x06;
constexpr uchar kRead = 0x7B;
constexpr uchar kWrite = 0x7A;
constexpr uchar kMeasure = 0x7F;
constexpr uchar kKeepAlive = 0xFF;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v & 255));
    return out;
}
} // namespace

const QStringList& CcMech::models()
{
    static const QStringList m{QStringLiteral("C120"), QStringLiteral("220B"), QStringLiteral("335"),
                               QStringLiteral("435"), QStringLiteral("450")};
    return m;
}

CcMech::CcMech(const QString& model, bool blank) : QuenbyMech(QStringLiteral("CC"), model)
{
    if (!models().contains(model))
        throw std::invalid_argument("unknown mech model: " + model.toStdString());
    layout_ = ccLayout(model);
    words_ = blank ? std::vector<quint16>(size_t(layout_.words), 0) : typicalCcImage(model);
    CoinSampler& s = sampler();
    for (int c = 1; c <= layout_.channels; ++c)
        s.setMeansInside(c, typicalCcWindows(model, c));
    s.setSlugMeans(QList<int>(layout_.params, 20));
}

int CcMech::valuesPerReading() const
{
    if (model() == QLatin1String("450"))
        return 8;
    if (continuousModel())
        return sixValueFrames ? 6 : 5;
    return 3;
}

bool CcMech::continuousModel() const
{
    return model() == QLatin1String("C120") || model() == QLatin1String("435") || model() == QLatin1String("450");
}

bool CcMech::waitingForCoin() const
{
    if (!relayed() || !loggedOn_)
        return false;
    return armedContinuous_ || (armedOnce_ && nowMs() - armedAt_ <= armLapseMs);
}

void CcMech::setWord(int address, quint16 value, bool keepSum)
{
    if (address < 0 || address >= wordCount())
        return;
    words_[size_t(address)] = value;
    if (keepSum && address < 127)
        ccFixSum(words_);
}

void CcMech::onSerialModeStarted(const QString& /*code*/)
{
    in_.clear();
    loggedOn_ = false;
    armedContinuous_ = armedOnce_ = false;
}

void CcMech::onSerialModeEnded()
{
    loggedOn_ = false;
    armedContinuous_ = armedOnce_ = false;
}

void CcMech::onBytes(const QByteArray& b)
{
    in_ += b;
    while (!in_.isEmpty()) {
        const int used = handleFront();
        if (used == 0)
            return; // the rest of a request is still on its way
        in_.remove(0, used);
    }
}

int CcMech::handleFront()
{
    const auto at = [this](int i) { return uchar(in_.at(i)); };
    const uchar first = at(0);
    if (first == 'x' || first == 'y') {
        if (in_.size() < 2)
            return 0;
        if (at(1) != first)
            return 1;
        if (first == 'x') {
            if (!faults_.strikes(Fault::LogonUnanswered)) {
                loggedOn_ = true;
                ++logons_;
                send(QByteArray(1, kAck));
            }
        } else {
            ++logoffs_;
            const bool stray = faults_.strikes(Fault::StrayAtLogoff);
            if (loggedOn_) {
                loggedOn_ = false;
                armedContinuous_ = armedOnce_ = false;
                send((stray ? strayAtLogoff : QByteArray()) + kAck);
            }
        }
        return 2;
    }
    if (first == kRead) {
        if (in_.size() < 3)
            return 0;
        if (((kRead + at(1)) & 255) != at(2))
            return 1;
        if (loggedOn_)
            readWord(at(1));
        return 3;
    }
    if (first == kWrite) {
        if (in_.size() < 5)
            return 0;
        if (((kWrite + at(1) + at(2) + at(3)) & 255) != at(4))
            return 1;
        if (loggedOn_)
            writeWord(at(1), at(2), at(3));
        return 5;
    }
    if (first == kMeasure) {
        if (in_.size() < 3)
            return 0;
        if (at(1) != 0x1F || at(2) != 0x9E)
            return 1;
        if (loggedOn_ && continuousModel())
            arm(true);
        return 3;
    }
    if (first == kKeepAlive) {
        if (in_.size() < 2)
            return 0;
        if (at(1) != kKeepAlive)
            return 1;
        if (loggedOn_ && !continuousModel() && !faults_.strikes(Fault::KeepAliveIgnored))
            arm(false);
        return 2;
    }
    return 1; // noise
}

void CcMech::readWord(int a)
{
    read_ << a;
    if (faults_.strikes(Fault::Silent))
        return;
    const int address = a % wordCount();
    if (driftHighWords && address > 200 && address != 204 && address != 228)
        words_[size_t(address)] = quint16(words_[size_t(address)] + 1);
    const int w = words_[size_t(address)];
    const int high = w >> 8, low = w & 255;
    int check = (0x3B + high + low) & 255;
    if (faults_.strikes(Fault::BadCheckByte))
        check = (check + 1) & 255;
    if (faults_.strikes(Fault::HalfWordReply)) {
        send(bytes({0x3B, high}));
        return;
    }
    send(bytes({0x3B, high, low, check}));
}

void CcMech::writeWord(int a, int high, int low)
{
    written_ << a;
    if (faults_.strikes(Fault::Silent))
        return;
    const int address = a % wordCount();
    if (refuseAt_.contains(address)) {
        send(QByteArray(1, kNak));
        return;
    }
    if (!noStick_.contains(address))
        words_[size_t(address)] = quint16(high << 8 | low);
    send(QByteArray(1, kAck));
}

void CcMech::arm(bool continuous)
{
    ++requests_;
    if (faults_.strikes(Fault::Busy)) {
        send(QByteArray(1, kNak));
        return;
    }
    if (continuous) {
        armedContinuous_ = true;
    } else {
        armedOnce_ = true;
        armedAt_ = nowMs();
    }
}

bool CcMech::coinWhileRelayed(const DroppedCoin& coin)
{
    if (!waitingForCoin())
        return false;
    armedOnce_ = false;
    QList<int> values = coin.values;
    int sum = '?';
    for (int i = 0; i < values.size(); ++i) {
        if (i == 5 && values.size() == 6 && faults_.strikes(Fault::SixthValueLooksLikeSum))
            values[i] = sum & 255;
        sum += values.at(i) & 255;
    }
    QByteArray frame(1, '?');
    for (int v : values)
        frame.append(char(v & 255));
    if (faults_.strikes(Fault::BadFrameSum))
        ++sum;
    frame.append(char(sum & 255));
    ++frames_;
    return send(frame);
}

} // namespace sim
