// The simulated NRI mechs behind the first box: the newer models' acknowledged records and the
// older models' decimal lines and paced data records, with their named faults.
#include "sim/nrimech.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using sim::NriMech;
using Fault = sim::NriMech::Fault;
using RecordFault = sim::NriMech::RecordFault;

namespace {

const QByteArray kAck = bytes({0x06});
// Coin 3 of the typical newer memory: six parameters, high then low limit.
const QByteArray kRecord05 = "826EA18DC0AC493568548773";

struct NriRig : Rig {
    NriMech mech;
    explicit NriRig(const QString& model = "G13-6000", const QString& code = {}) : mech(model, code)
    {
        box.plug(&mech);
        serialMode(mech.interfaceCodes().first().toLatin1());
    }
    // A newer model's write as the program sends it: command, then two characters a piece.
    QByteArray write(const QByteArray& cmd, const QByteArray& data)
    {
        QByteArray all = exchange(cmd.left(1), 100);
        all += exchange(cmd.mid(1), 100);
        for (int i = 0; i + 1 < data.size(); i += 2)
            all += exchange(data.mid(i, 2), 100);
        return all;
    }
};

QByteArray acks(int n) { return kAck.repeated(n); }

} // namespace

TEST(QuenbyNriNewer, IdentifiesReadsRecordsAcknowledgingTheirFirstCharacter)
{
    NriRig r;
    EXPECT_EQ(r.exchange("I"), "07\r");
    EXPECT_EQ(r.exchange("X"), kAck);
    EXPECT_EQ(r.exchange("05"), kRecord05 + "\r") << "no acknowledgement for the record number";
    EXPECT_EQ(r.exchange("X02"), kAck + "070C19\r");
    EXPECT_EQ(r.exchange("X1C"), kAck + "?") << "no record 1C";
    EXPECT_EQ(r.exchange("XG0"), kAck + "?");
    EXPECT_EQ(r.mech.commandsSeen(), (QStringList{"I", "X05", "X02", "X1C", "XG0"}));
    EXPECT_EQ(NriMech("G10-4000/5").record(0x0F).size(), 56);
    EXPECT_EQ(NriMech("G18-3000").record(0x19).size(), 12);
    EXPECT_EQ(NriMech("G40-0000").ident, "02");
}

TEST(QuenbyNriNewer, WritesPieceByPieceAndStoresOnceTheWholeRecordArrived)
{
    NriRig r;
    const QByteArray data = "1E0A1E0A1E0A1E0A1E0A1E0A";
    EXPECT_EQ(r.write("Z05", data.left(22)), acks(1 + 11));
    EXPECT_EQ(r.mech.record(0x05), kRecord05) << "a record cut short is not stored";
    EXPECT_EQ(r.write("Z05", data), acks(1 + 12));
    EXPECT_EQ(r.mech.record(0x05), data);
    EXPECT_EQ(r.exchange("X05"), kAck + data + "\r");
    EXPECT_EQ(r.write("Z02", "070C1A12"), acks(1 + 3) + "?") << "a piece past the record's length";
    EXPECT_EQ(r.mech.record(0x02), "070C1A");
    EXPECT_EQ(r.write("Z03", "1x"), acks(1) + "?");
    EXPECT_EQ(r.mech.writesStored(), 2);
}

TEST(QuenbyNriNewer, IdentAndAcknowledgementFaults)
{
    NriRig r;
    r.mech.setFault(Fault::IdentUnanswered, sim::When::first(1));
    r.mech.setFault(Fault::WrongIdent, sim::When::first(1));
    EXPECT_EQ(r.exchange("I"), "");
    EXPECT_EQ(r.exchange("I"), "99\r");
    EXPECT_EQ(r.exchange("I"), "07\r");

    r.mech.setFault(Fault::NoFirstCharAck, sim::When::first(1));
    EXPECT_EQ(r.exchange("X05"), kRecord05 + "\r") << "answered all the same";
    r.mech.setFault(Fault::WriteNotStored, sim::When::first(1));
    EXPECT_EQ(r.write("Z02", "010203"), acks(4));
    EXPECT_EQ(r.mech.record(0x02), "070C19");
    EXPECT_EQ(r.mech.writesRejected(), 1);
}

TEST(QuenbyNriNewer, RecordFaults)
{
    NriRig r;
    r.mech.setRecordFault(0x05, RecordFault::PieceRefused);
    EXPECT_EQ(r.write("Z05", "1E0A"), acks(1) + "?");
    r.mech.setRecordFault(0x06, RecordFault::PieceUnanswered);
    EXPECT_EQ(r.write("Z06", "1E0A"), acks(1)) << "the first piece gets nothing, the rest is ignored";
    r.mech.setRecordFault(0x07, RecordFault::PieceLate);
    EXPECT_EQ(r.write("Z07", "1E"), acks(1));
    r.sched.advance(600);
    EXPECT_EQ(r.inbox, kAck) << "the piece's acknowledgement comes late";
    r.mech.setRecordFault(0x08, RecordFault::ShortReply);
    EXPECT_EQ(r.exchange("X08").size(), 1 + 12 + 1);
    r.mech.setRecordFault(0x09, RecordFault::NoReply);
    EXPECT_EQ(r.exchange("X09"), kAck);
    EXPECT_EQ(r.exchange("X0A").size(), 1 + 24 + 1) << "other records are unaffected";
}

TEST(QuenbyNriNewer, ACommandWhoseRecordNumberNeverComesIsForgotten)
{
    NriRig r;
    EXPECT_EQ(r.exchange("X", 1100), kAck);
    EXPECT_EQ(r.exchange("I"), "07\r") << "not taken as part of a record number";
}

TEST(QuenbyNriNewer, G10On25WhenWiredThere)
{
    Rig r;
    NriMech g10("G10-4000/5", "$25");
    r.box.plug(&g10);
    r.serialMode("$23");
    EXPECT_EQ(r.exchange("I"), "");
    r.breakLine();
    r.serialMode("$25");
    EXPECT_EQ(r.exchange("I"), "03\r");
}

TEST(QuenbyNriOlder, AnswersInDecimalLinesWithoutAcknowledgements)
{
    NriRig r("G13-0000");
    EXPECT_EQ(r.exchange("I"), "0\r");
    EXPECT_EQ(r.exchange("V3"), "144\r167\r190\r073\r124\r147\r170\r053\r");
    EXPECT_EQ(r.exchange("Y"), "005\r000\r200\r100\r040\r020\r010\r");
    const QByteArray z = r.exchange("Z");
    EXPECT_EQ(z.size(), 37);
    EXPECT_EQ(z.mid(28), "07/12/25\r");
    EXPECT_EQ(r.exchange("X"), "") << "no X record on a G13-0000";

    NriRig g10("G10-4000");
    EXPECT_EQ(g10.exchange("I"), "?\r");
    EXPECT_EQ(g10.exchange("X"), "G10HDR00001" "0005001000200050" "00050010002000500100020000250040\r");
    EXPECT_EQ(g10.exchange("Y"), "");
    EXPECT_EQ(NriMech("G18-0000").ident, "?");
}

TEST(QuenbyNriOlder, DataRecordsStoredWhenPacedAndWhole)
{
    NriRig r("G13-0000");
    const QByteArray d = "1030040050060\r010020030040\r";
    EXPECT_EQ(r.paced("D" + d, 50), "") << "no answer to data";
    EXPECT_EQ(r.mech.oldRecord("V1"), "030040050060010020030040");
    EXPECT_EQ(r.exchange("V1"), "030\r040\r050\r060\r010\r020\r030\r040\r");

    r.paced("B005000200100050020010\r", 50);
    EXPECT_EQ(r.mech.oldRecord("Y"), "005000200100050020010");
    r.paced("E07/12/26\r", 50);
    EXPECT_EQ(r.mech.oldRecord("Z").mid(28), "07/12/26");

    r.paced("D2111111111111\r222222222222\r", 5, 1100);
    EXPECT_EQ(r.mech.oldRecord("V2").left(3), "127") << "sent too fast: characters lost, nothing stored";
    r.paced("E7/12/26\r", 50);
    EXPECT_EQ(r.mech.oldRecord("Z").mid(28), "07/12/26") << "a date that does not read right";
    EXPECT_EQ(r.mech.writesStored(), 3);
    EXPECT_EQ(r.exchange("I"), "0\r") << "back in step";

    NriRig g10("G10-4000");
    const QByteArray x = "G10HDR00002" + QByteArray("0001").repeated(12);
    g10.paced("F" + x + "::\r", 50);
    EXPECT_EQ(g10.mech.oldRecord("X"), x);
}

TEST(QuenbyNriOlder, Faults)
{
    NriRig r("G18-0000");
    r.mech.setFault(Fault::FewerLines, sim::When::first(1));
    EXPECT_EQ(r.exchange("V1").count('\r'), 7);
    EXPECT_EQ(r.exchange("V1").count('\r'), 8);
    r.mech.setFault(Fault::LostCharacter, sim::When::first(1));
    r.paced("D1030040050060\r010020030040\r", 50);
    EXPECT_NE(r.mech.oldRecord("V1"), "030040050060010020030040");
    EXPECT_EQ(r.mech.writesRejected(), 1);
    r.mech.setFault(Fault::WrongIdent, sim::When::first(1));
    EXPECT_EQ(r.exchange("I"), "99\r");
}
