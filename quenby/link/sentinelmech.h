#pragma once
// The CC Sentinel's EEPROM through the box's Sentinel interface: a word is read with "M00.."
// and written with four "W00.." commands, each a line echoed character by character.

#include "quenby/link/ccmech.h"

namespace quenby {

class SentinelFamily : public EepromFamily {
public:
    using EepromFamily::EepromFamily;

    // -1 after text 330 (a reply without "ZZR").
    qint32 readWord(int address) override;
    // The answer to the last of the four commands.
    bool writeWord(int address, qint32 value) override;

    // The receive side's handler of the interface's bytes: every byte kept, CRs counted, "%"
    // ends the logon.
    static void receiveByte(ReceiveSide& rx, quint8 b);

protected:
    // "C00" and the Sentinel logon; text 129 when it fails (nothing read, no dump).
    bool openForRead(int& stopText) override;
    bool openForWrite() override;
    void closeSession() override { ctx_.layers.sentinelLogoff(); }
    // A write whose last command goes unanswered: text 309.
    TextIds refusedWord() const override;
    int readFailure() const override;
    // The checksum word goes last: 256 - the byte sum of the words before it.
    void beforeWriting(int address) override;
};

} // namespace quenby
