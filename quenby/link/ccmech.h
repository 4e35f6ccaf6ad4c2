#pragma once
// Coin Controls mechs keep their windows and settings in an EEPROM of 16-bit words that the
// program reads and writes word by word through the box in serial mode: raw byte frames for
// every model but the Sentinel (here), the Sentinel interface's text commands for the Sentinel
// (sentinelmech.h). Both dump what they read to the scratch file "<model>temp.txt" and verify by
// reading back.

#include "quenby/link/mechfamily.h"

namespace quenby {

// What the two CC protocols share.
class EepromFamily : public MechFamily {
public:
    using MechFamily::MechFamily;

    bool logon() override { return ctx_.layers.ccLogon(); }
    void logoff() override { ctx_.layers.ccLogoff(); }
    // "J", the mech read back, "W", then readImage against progImage over the words the model
    // verifies (a 435 stops at word 200); "EEPROM Verified OK" or "EEPROM Verify FAIL". A read
    // that stopped early fails whatever its words hold.
    std::optional<VerifyResult> verify() override;
    // Every limit word, and the C120 output words (a record that cannot be written is reported
    // under 157 and the rest is mapped).
    void mapCoinTableToProm(int segment) override;
    void copyPromToCoinTable() override;

    // One word, or -1 after the protocol's own message.
    virtual qint32 readWord(int address) = 0;
    // Written, or already equal in readImage (nothing is sent then).
    virtual bool writeWord(int address, qint32 value) = 0;

protected:
    // Words of the model's EEPROM (memorySize, kept to the image).
    int words() const;
    // Every word into readImage until one fails, the bar following; how many were read. A failed
    // word's text goes to stopText (0 when none failed).
    int readAllWords(int& stopText);
    // progImage word by word until one is not taken: failTextId and its address, titled
    // failTitleId. True when every word was.
    bool writeAllWords(int failTextId, int failTitleId);
    // The text the last readWord stopped with.
    virtual int readFailure() const = 0;
    // Just before word `address` of progImage is written.
    virtual void beforeWriting(int /*address*/) {}
    // The scratch dump of readImage, every word of the model; a failure raises for the read's trap.
    void writeDump();
    // Writing skips the words readImage holds already, so it needs the mech's whole content as
    // read from this model; otherwise text 311 and nothing is written.
    bool readImageIsTheMech();
    // Where a read ended: the whole memory, or the word and text it stopped with.
    ReadState finishRead(int wordsRead, int stopTextId);
};

class CcWordFamily : public EepromFamily {
public:
    using EepromFamily::EepromFamily;

    // Up to three logons (the loop runs even when none took), every word, the logoff, the dump.
    ReadState read() override;
    // progImage word by word, unchanged words skipped; the first refused or unanswered word ends
    // the write (text 307 and the address).
    bool program() override;

    // -1 after text 147 (no frame in 2 s) or 148 and the address (bad check byte).
    qint32 readWord(int address) override;
    bool writeWord(int address, qint32 value) override;

    // The receive side's handler of CC bytes: 05 and 06 outside a frame, frames from ";" or "?"
    // to their model's length.
    static void receiveByte(ReceiveSide& rx, quint8 b);
    // A word frame: sets ccWordValue, ccWordError and ccWordDone.
    static void parseWordReply(LinkState& st, const CcFrame& frame);

protected:
    int readFailure() const override { return lastFailure_; }

private:
    int lastFailure_ = 0;
};

} // namespace quenby
