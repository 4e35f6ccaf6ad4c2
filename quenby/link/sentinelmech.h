#pragma once
// The CC Sentinel's EEPROM through the box's Sentinel interface: a word is read with "M00.."
// and written with four "W00.." commands, each a line echoed character by character.

#include "quenby/link/ccmech.h"

namespace quenby {

class SentinelFamily : public EepromFamily {
public:
    using EepromFamily::EepromFamily;

    // "C00" and the Sentinel logon (text 129 when it fails: nothing read, no dump), every word,
    // the logoff, the dump.
    ReadState read() override;
    // progImage word by word with the checksum word last (256 - the byte sum of the words before
    // it); the first write whose last command goes unanswered ends it (text 309 and the address).
    bool program() override;

    // -1 after text 330 (a reply without "ZZR").
    qint32 readWord(int address) override;
    // The answer to the last of the four commands.
    bool writeWord(int address, qint32 value) override;

    // The receive side's handler of the interface's bytes: every byte kept, CRs counted, "%"
    // ends the logon.
    static void receiveByte(ReceiveSide& rx, quint8 b);

protected:
    int readFailure() const override;
    void beforeWriting(int address) override;
};

} // namespace quenby
