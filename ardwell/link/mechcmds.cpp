// Plain command frames that prepare a 560 or PCA mech for the live test.
#include "ardwell/link/link.h"

namespace ardwell {

namespace {
constexpr int kTries = 6;
const QString kHiiMessage = QStringLiteral("No Response from Coin Mech to HII Enable");
} // namespace

bool Link::mechCommand(std::initializer_list<int> command, qint64 pauseMs, const QString& message,
                       const QString& context)
{
    bool answered = false;
    trap(context, [&] {
        int tries = 0;
        do {
            ++tries;
            const Frame f = mechFrame(hdr::Command, command);
            st_.boxAcknowledged = false;
            st_.mechAcknowledged = false;
            if (sendDataBlock(f))
                waitSeconds(3, [this] { return st_.mechAcknowledged; });
            if (!st_.mechAcknowledged)
                delayMs(pauseMs);
        } while (!st_.mechAcknowledged && tries < kTries);
        if (!st_.mechAcknowledged)
            svc_.dialogs->msgBox(message, plat::mb::Critical | plat::mb::OKOnly, "Error");
        answered = st_.mechAcknowledged;
    });
    return answered;
}

bool Link::reInitialiseMech()
{
    return mechCommand({0x6F, 0x00}, 200, "No Response from Coin Mech to ReInitialise Command",
                "Error ReInitialise routine : ");
}

bool Link::hiiEnable() { return mechCommand({0x64, 0x8E}, 300, kHiiMessage, "Error HII Enable routine : "); }
bool Link::hiiEnableAll() { return mechCommand({0x64, 0x0F}, 300, kHiiMessage, "Error HII Enable ALL routine : "); }
bool Link::hiiAcceptAll() { return mechCommand({0x70, 0x00, 0x00, 0x00}, 300, kHiiMessage, "Error HII Accept ALL routine : "); }

} // namespace ardwell
