// Cloning a Mars mech end to end on virtual time: "Program Mech", the sample coin set run with
// every prompt answered and every coin dropped, the copy of the old PROM, the limits editor, the
// burn of a new PROM and its verification. The PROM's nibbles are checked against
// clone_vectors.py.
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/link/familytable.h"
#include "quenby/memutils/frmprom.h"
#include "sim/marssocket.h"
#include "sim/quenbydemo.h"
#include "tests/quenby/clone_fixture.h"

#include <QDir>
#include <QFile>

namespace {

using namespace quenby_tests;

// Reading i of a record: each parameter's base plus a small wobble (clone_vectors.py's around()).

QString nibbles(const std::vector<quint8>& image, int first, int count)
{
    QString out;
    for (int a = first; a < first + count; ++a)
        out += QString::number(image.at(size_t(a)), 16).toUpper();
    return out;
}

struct MarsClone : CloneTest {
    void open(const QString& model = "ME111") { openMars(model); }
    // Every record of ME111.cst gathered; F1 has a flier and one coin is dropped again.
    void gatherMe111()
    {
        gatherYes("5p", around({900, 1500, 2000}, 15));
        gatherYes("10p", around({950, 1550, 2100}, 15));
        gatherYes("20p", around({1000, 1600, 2200}, 12));
        gatherYes("50p", around({1050, 1650, 2300}, 12));
        gatherYes(QString::fromUtf8("£1 reference"), around({1100, 1700, 2400}, 12));
        Readings f1 = around({1150, 1750, 2500}, 10);
        f1[4][0] = 1150 * 13 / 10;
        ts.dialogs->answerWith([this, f1](const testing_support::BoxRecord&) {
            dropLater(f1);
            return plat::mb::Yes;
        });
        answerAfter(plat::mb::OK, [this] { dropLater(around({1150, 1750, 2500}, 1, 10)); }, "Coin Fliers detected");
        answer(plat::mb::OK, QString::fromUtf8("Gathered Coin £2"));
        gatherYes("Euro 1", around({1200, 1800, 2600}, 15));
        gatherYes("Euro 2", around({1250, 1850, 2700}, 15));
        gatherYes("Slugs and washers", around({600, 900, 1200}, 10));
    }
};

TEST_F(MarsClone, Me111SetIsGatheredCopiedBurntAndVerified)
{
    open();
    w().setValue("chkLog", 1);
    answerFile(coinSet("ME111.cst"));
    answerFile(ts.folder() + "/CoinSets/run1.txt");
    gatherMe111();
    answer(plat::mb::OK, "Data Gathering Complete");
    answer(plat::mb::OK, "Insert Old PROM to COPY\r\n\r\nOmbrix E+1 : Switch 1 ON and Switch 2 OFF");
    answerAfter(plat::mb::OK, [this] { socket->remove(); }, "Remove OLD PROM from Socket");
    press(w(), "cmdOpenCoinset");

    // Run: "J", the timings, "M", "I", the idle reply, each record's "N" .. "I", the copy of the
    // old PROM bracketed by "J" and "W", and the run's "W".
    const QByteArray run = sent();
    EXPECT_TRUE(run.startsWith("JZ")) << run.constData();
    EXPECT_TRUE(run.endsWith("SMIY" + QByteArray("NI").repeated(10) + "JEKWW")) << run.constData();
    EXPECT_EQ(box.linesSent().filter(QRegularExpression("^M ")).size(), 117);
    EXPECT_EQ(socket->reads(), 1);
    EXPECT_TRUE(editorShown());
    EXPECT_FALSE(measureShown());
    EXPECT_FALSE(p->coinStats().runActive);
    EXPECT_FALSE(p->job.userAbort);

    // The editor opens on segment 1: A1..F1, six limits each, the measured windows and the
    // reference-derived E1; the slug panel shows the slug's window.
    EXPECT_EQ(ed().text("lblCoin", 0), "Coin A1");
    const std::vector<std::vector<int>> rows = {{892, 908, 1491, 1509, 1991, 2008},    {942, 958, 1541, 1559, 2091, 2108},
                                                {991, 1009, 1592, 1608, 2188, 2212},   {1041, 1059, 1642, 1658, 2288, 2312},
                                                {1070, 1130, 1660, 1740, 2350, 2450},  {1138, 1162, 1742, 1758, 2490, 2510}};
    for (int r = 0; r < 6; ++r)
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(ed().text("txtProm", 6 * r + k), QString::number(rows[r][k])) << r << " " << k;
    const QStringList slug = {" 584", " 615", " 883", " 916", " 1183", " 1218"};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(ed().text("lblSlugLimits", k), slug[k]);
    EXPECT_EQ(ed().text("lblSlugLimits", 6), "");
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
    EXPECT_EQ(ed().value("optBipolarPROM"), 1);

    // Program New PROM: a blank bipolar 2K PROM goes in at the prompt, is found blank, burnt
    // row by row three times and read back.
    clearSent();
    burnBlank(true);
    const QByteArray burn = sent();
    EXPECT_TRUE(burn.startsWith("JEKBJP000")) << burn.left(40).constData();
    EXPECT_TRUE(burn.endsWith("EKW")) << burn.right(20).constData();
    EXPECT_EQ(socket->rowsBurnt().size(), 2 * 8 * 3);
    ASSERT_FALSE(socket->rowsBurnt().isEmpty());
    EXPECT_EQ(socket->rowsBurnt().first().toStdString(), "P000FC73C83EA3EB3FD3");
    const std::vector<plat::Millis> firstRow = sentAt("P000FC73C83EA3EB3FD3\r");
    ASSERT_EQ(firstRow.size(), 3u) << "three burns of a bipolar row";
    // The pause before the burn: 200 ms counted down in ticks of the 20 ms timer.
    EXPECT_GE(firstRow[0] - sentAt("J").back(), 180);
    EXPECT_LT(firstRow[0] - sentAt("J").back(), 220);
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
    EXPECT_EQ(p->memory.currentSegment, 4);

    // The PROM against clone_vectors.py.
    const std::vector<quint8>& prom = socket->prom()->nibbles;
    EXPECT_EQ(nibbles(prom, 0, 64), "FC73C83EA3EB3FD31F3114324E24A64274A843D55E5506716836846A66A76C76");
    EXPECT_EQ(nibbles(prom, 64, 64), "CC6EC6ED67C78D7B28C38C884A80F8809E29299AB9EC90004742303530413132");
    EXPECT_EQ(nibbles(prom, 128, 64), "F9F3D448A48B4C44C940000000000000000005A6137FF6117137347000000000");
    EXPECT_EQ(nibbles(prom, 192, 64), "000000000EF8CB9F1A03A38A49A0000000000000000000004742303530413132");
    EXPECT_EQ(nibbles(prom, 256, 256), QString(256, u'0'));
    EXPECT_TRUE(ts.dialogs->allAnswersUsed());

    // The log (the name chosen gets ".csv"): its rows up to the first record's end against
    // clone_vectors.py, then one reading row per coin kept, the flier's report among them.
    const QByteArray log = ts.readFile("CoinSets/run1.csv");
    const QByteArray head =
        "\"UK Sterling \xA3" "2 set\",\"GB050\",\"A12\"\r\n"
        "\"2K\",1,1,0,0\r\n"
        "\"\"\r\n"
        "\"Idles\",512,1024,2048\r\n"
        "\"5p\",\"A1\"\r\n"
        "\"\",\"Thickness\",\"\",\"Diameter\",\"\",\"Material\",\"\",\"\"\r\n"
        "\"\",900,\"\",1501,\"\",1995,\"\",\"\"\r\n"
        "\"\",905,\"\",1497,\"\",1998,\"\",\"\"\r\n"
        "\"\",899,\"\",1500,\"\",2001,\"\",\"\"\r\n"
        "\"\",904,\"\",1505,\"\",1997,\"\",\"\"\r\n"
        "\"\",903,\"\",1499,\"\",2000,\"\",\"\"\r\n"
        "\"\",896,\"\",1504,\"\",2005,\"\",\"\"\r\n"
        "\"\",902,\"\",1503,\"\",1999,\"\",\"\"\r\n"
        "\"\",895,\"\",1496,\"\",2004,\"\",\"\"\r\n"
        "\"\",898,\"\",1502,\"\",2003,\"\",\"\"\r\n"
        "\"\",901,\"\",1495,\"\",1996,\"\",\"\"\r\n"
        "\"\",897,\"\",1498,\"\",2002,\"\",\"\"\r\n"
        "\"\",900,\"\",1501,\"\",1995,\"\",\"\"\r\n"
        "\"\",905,\"\",1497,\"\",1998,\"\",\"\"\r\n"
        "\"\",899,\"\",1500,\"\",2001,\"\",\"\"\r\n"
        "\"\",904,\"\",1505,\"\",1997,\"\",\"\"\r\n"
        "\"Mean\",900.5333,\"\",\"\",\"\",1500.2,\"\",\"\",\"\",1999.4,\"\",\"\",\"\",\"\"\r\n"
        "\"SD Lower\",2.97923,\"\",\"\",\"\",3.195363,\"\",\"\",\"\",2.961883,\"\",\"\",\"\",\"\"\r\n"
        "\"SD Upper\",3.334532,\"\",\"\",\"\",3.019042,\"\",\"\",\"\",3.220635,\"\",\"\",\"\",\"\"\r\n"
        "\"Limits : \",892,\"\",908,\"\",1491,\"\",1509,\"\",1991,\"\",2008,\"\",\"\"\r\n"
        "\"\"\r\n";
    EXPECT_EQ(log.left(head.size()).toStdString(), head.toStdString());
    EXPECT_EQ(log.count("\r\n\"\",1495,\"\","), 1) << "the flier is logged as it came";
    EXPECT_EQ(log.count("Pass 1 Eliminating"), 1);
    EXPECT_EQ(log.count("\"Limits : \""), 9);
    EXPECT_TRUE(log.endsWith("\"\"\r\n"));
}

TEST_F(MarsClone, Me181SetIsBurntInItsTwoSegmentsWithItsCoinValues)
{
    open("ME181");
    answerFile(coinSet("ME181.cst"));
    const QStringList names = {"5p", "10p", "20p", "50p", QString::fromUtf8("£1"), QString::fromUtf8("£2"),
                               "Euro 1", "Euro 2"};
    for (int c = 1; c <= 8; ++c)
        gatherYes(names[c - 1], around({900 + 50 * c, 1500 + 40 * c, 2000 + 60 * c}, 9 + c));
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    EXPECT_TRUE(sent().contains("SMIWCFDJY")) << "the ME181's extra commands after the header";
    ASSERT_TRUE(editorShown());
    EXPECT_EQ(socket->reads(), 0) << "no channel keeps the old PROM's windows";
    answerAfter(plat::mb::OK, [this] {
        socket->remove();
        socket->insert(sim::MarsProm::blank(512));
    }, "Insert 2K Bipolar PROM");
    answer(plat::mb::OK, "Verify PROM OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(socket->rowsBurnt().size(), 2 * 16 * 3);
    const QStringList expected = {
        "F08C4600230000004100000000000000A0000000000000000000000000000000",
        "5000000000000000000000000000000000000000000000000000000000000000",
        "FAA32C30E30F3114324444554274A848A48B4CF5C06326536C46C56076886C96",
        "CA63C65D63086180480588780988B88C83F8509F290490004555313831423031",
        "F000000000000000000000000000000020000000000000000000000000000000",
        "1000000000000000000000000000000000000000000000000000000000000000",
        "F9D4CE4C05D15000000000000000000000000CE6CF6017827000000000000000",
        "000000000769F798A98B90000000000000000000000000004555313831423031"};
    const std::vector<quint8>& prom = socket->prom()->nibbles;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(nibbles(prom, 64 * i, 64).toStdString(), expected[i].toStdString()) << 64 * i;
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
}

// A 1K PROM has segments 1 and 2 only: a set that ticks 3 and 4 would burn no row, and a blank
// PROM read back blank would pass for a clone.
TEST_F(MarsClone, ASetWhoseSegmentsAreNotOnThePromIsRefusedBeforeAnythingIsBurnt)
{
    open();
    writeCoinSet("far.cst", "\"Mars.ME111\",\"t\",\"R\",\"1\"\r\n"
                            "\"1K\",0,0,1,1,400,700,900,1200,1800,2300\r\n"
                            "CD,5p,A3,3,F,100,F,200,10,F,300,F,400,10,F,500,F,600,10\r\n");
    answerFile(coinSet("far.cst"));
    gatherYes("5p", around({900, 1500, 2000}, 3));
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    clearSent();
    answer(plat::mb::OK, "No PROM segment chosen for programming lies on a 1K PROM: nothing would be burnt.");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

} // namespace

namespace {

// The demo's user: every box shown for three seconds, then answered with its default button.
struct DemoUser : plat::Dialogs {
    plat::Scheduler& sched;
    explicit DemoUser(plat::Scheduler& s) : sched(s) {}
    int msgBox(const QString&, int style, const QString&) override
    {
        sched.pumpUntil([] { return false; }, 3000);
        return plat::mb::buttonsOf(style) == plat::mb::YesNoCancel ? plat::mb::Yes : plat::mb::OK;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace

// What scripts/demo shows first: the ME111 sample set run with the demo's coins, as the program
// runs its simulated box. The clone must be one a workshop keeps.
TEST_F(ProgramTest, DemoCloneOfTheSampleSetHasApartWindowsAndAcceptsEveryCoin)
{
    box.swapMech("ME111", false);
    sim::QuenbyDemoCoins::wellKeptBatch(*box.plugged());
    QDir(ts.folder()).mkpath("CoinSets");
    ts.writeFile("CoinSets/ME111.cst", [] {
        QFile f(COINSETS_DIR "/ME111.cst");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    DemoUser user(*ts.sched);
    sim::QuenbyDemoHands hands(user, box, true);
    sim::QuenbyDemoCoins coins(*ts.sched, box);
    coins.setOrder(sim::QuenbyDemoCoins::sampleSetOrder("ME111"));
    coins.start();
    plat::Services svc = ts.services();
    svc.dialogs = &hands;
    p = std::make_unique<quenby::Program>(svc);
    p->mainForm().Timer1.setInterval(20);
    p->mainForm().Timer1.setEnabled(true);
    p->link.openPort(1);
    p->job.beginJob(quenby::Family::Mars, "ME111");
    quenby::setMechParameters(p->params, quenby::Family::Mars, "ME111", p->texts);
    p->coinMeasure().CoinInitialise(0);
    p->clone().run.cmdOpenCoinset_Click();
    coins.stop();

    ASSERT_TRUE(p->promIfLoaded());
    const quenby::LimitsPage& page = p->promForm().page();
    // Segment 1 and segment 2, whose A2 keeps the mech's own windows (no estimate for it).
    const QStringList titles = {"Coin A1", "Coin B1", "Coin C1", "Coin D1", "Coin E1", "Coin F1",
                                "Coin A2", "Coin B2", "Coin C2"};
    for (int i = 0; i < titles.size(); ++i) {
        if (i == 6)
            p->promForm().optSeg_Click(1);
        const auto row = size_t(i % 6);
        EXPECT_EQ(page.coinTitles[row], titles[i]);
        if (i != 6) {
            EXPECT_GT(page.acceptance[row].toDouble(), 95.0) << titles[i].toStdString();
        }
        for (size_t k = 0; k < 6; ++k)
            EXPECT_EQ(page.cellColour[6 * row + k], plat::kWhite) << titles[i].toStdString() << " overlaps";
    }
}
