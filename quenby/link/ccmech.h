#pragma once
// Coin Controls mechs keep their windows and settings in an EEPROM of 16-bit words that the
// program reads and writes word by word through the box in serial mode: raw byte frames for
// every model but the Sentinel (here), the Sentinel interface's text commands for the Sentinel
// (sentinelmech.h). Both dump a whole read to the scratch file "<model>temp.txt" and verify by
// reading back.

#include "quenby/link/mechfamily.h"

namespace quenby {

// What the two CC protocols share.
class EepromFamily : public MechFamily {
public:
    using MechFamily::MechFamily;

    bool logon() override { return ctx_.layers.ccLogon(); }
    void logoff() override { ctx_.layers.ccLogoff(); }
    // The protocol's opening (text 130 when a step raises), every word, its closing, and the dump
    // when every word was read.
    ReadState read() override;
    // progImage word by word, unchanged words skipped, after the protocol's opening (text 311 when
    // a step raises); the first word not taken ends the write with the protocol's text and the
    // address.
    bool program() override;
    // "J", the mech read back, "W", then readImage against progImage over the words the model
    // verifies (a 435 stops at word 200) and every word the last programming set out to change;
    // "EEPROM Verified OK" or "EEPROM Verify FAIL". A read that stopped early fails whatever its
    // words hold.
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
    // progImage word by word until one is not taken: refusedWord's text and its address. True
    // when every word was.
    bool writeAllWords();
    // The protocol's opening before a read; false, with stopText and any message of its own, when
    // nothing can be read.
    virtual bool openForRead(int& stopText) = 0;
    // The protocol's opening before a write; false when nothing can be written.
    virtual bool openForWrite() = 0;
    // The protocol's closing after a read or a write.
    virtual void closeSession() = 0;
    // The text and title of a word the mech did not take.
    struct TextIds {
        int text;
        int title;
    };
    virtual TextIds refusedWord() const = 0;
    // The text the last readWord stopped with.
    virtual int readFailure() const = 0;
    // Just before word `address` of progImage is written.
    virtual void beforeWriting(int /*address*/) {}
    // The scratch dump of readImage, every word of the model; a failure raises for the read's trap.
    void writeDump();
    // Writing skips the words readImage holds already, so it needs the mech's whole content as
    // read from this model, and an image not built over a read in part; otherwise text 311 and
    // nothing is written.
    bool readImageIsTheMech();
    // Where a read ended: the whole memory, or the word and text it stopped with.
    ReadState finishRead(int wordsRead, int stopTextId);
};

class CcWordFamily : public EepromFamily {
public:
    using EepromFamily::EepromFamily;

    // -1 after text 147 (no frame in 2 s) or 148 and the address (bad check byte).
    qint32 readWord(int address) override;
    bool writeWord(int address, qint32 value) override;

    // The receive side's handler of CC bytes: 05 and 06 outside a frame, frames from ";" or "?"
    // to their model's length.
    static void receiveByte(ReceiveSide& rx, quint8 b);

protected:
    // Up to three logons; the read goes on even when none took (its first word says so).
    bool openForRead(int& stopText) override;
    // One logon; the box is reset when it fails.
    bool openForWrite() override;
    void closeSession() override { ctx_.layers.ccLogoff(); }
    // A refused or unanswered word: text 307.
    TextIds refusedWord() const override;
    int readFailure() const override { return lastFailure_; }

private:
    int lastFailure_ = 0;
};

} // namespace quenby
