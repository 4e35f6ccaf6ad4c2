// The mech families inside the whole program: the progress window they drive, the settings an
// NRI identification saves, the keep-alive timer a CC logoff stops, the pre-job check's logons.
#include "quenby/link/ccmech.h"
#include "quenby/link/marsprom.h"
#include "quenby/memutils/frmprogramming.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "tests/quenby/program_fixture.h"

#include <QComboBox>

namespace {

using quenby_tests::kEsc25;

struct MemoryProgramTest : quenby_tests::ProgramTest {
    void SetUp() override
    {
        ProgramTest::SetUp();
        settings(3);
        program().start();
        port->clearTranscript();
    }
    template <class M>
    M* plug(const QString& family, const QString& model)
    {
        p->job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(p->params, quenby::familyNamed(family), model, p->texts);
        return static_cast<M*>(box.swapMech(model));
    }
    plat::NamedControls& progressC() { return p->programmingForm().controls(); }
};

TEST_F(MemoryProgramTest, ProgressWindowShowsTheBurnAndIsUnloadedAfterIt)
{
    auto* socket = plug<sim::MarsSocket>("Mars", "ME111");
    socket->insert(sim::MarsProm::blank(512, sim::MarsProm::Kind::Ombrix));
    p->memory.currentSegment = 2;
    quenby::MarsPromFamily mars(p->mech().ctx, quenby::mechEntry(quenby::Family::Mars, "ME111"));
    QStringList seen;
    ts.sched->callAfter(10, [&] {
        plat::NamedControls& c = progressC();
        seen << c.text("frmProgramming") << c.text("lblTitle") << c.text("lblSegment")
             << QString::number(c.value("prgProg")) << (p->programmingForm().isVisible() ? "shown" : "hidden");
    });
    EXPECT_TRUE(mars.programRange(128, 255));
    EXPECT_EQ(seen, (QStringList{"Programming", "PROM PROGRAMMING IN PROGRESS", "2", "2", "shown"}));
    EXPECT_FALSE(p->programmingLoaded());

    // The next job finds the window as designed until it sets its own texts.
    plat::NamedControls& c = progressC();
    EXPECT_EQ(c.text("lblTitle"), "PROM PROGRAMMING IN PROGRESS");
    EXPECT_EQ(c.text("lblSeg"), "Segment");
    EXPECT_EQ(c.text("frmProgramming"), "Programming");
    EXPECT_EQ(c.value("prgProg"), 0);
    p->progress().setTitle("READING EEPROM IN PROGRESS");
    p->progress().setStep(40); // held at the bar's end
    EXPECT_EQ(c.value("prgProg"), 16);
    p->progress().setStep(-3);
    EXPECT_EQ(c.value("prgProg"), 0);
    EXPECT_EQ(c.text("lblTitle"), "READING EEPROM IN PROGRESS");
}

TEST_F(MemoryProgramTest, ProgressWindowHidesItsSegmentForReads)
{
    plug<sim::QuenbyMech>("CC", "C120");
    quenby::readMechMemory(p->mech().ctx);
    plat::NamedControls& c = progressC();
    EXPECT_FALSE(p->programmingForm().isVisible());
    EXPECT_EQ(c.text("frmProgramming"), "EEPROM Read");
    EXPECT_FALSE(c.isVisible("lblSeg"));
    EXPECT_FALSE(c.isVisible("lblSegment"));
    EXPECT_EQ(c.value("prgProg"), 15);
}

TEST_F(MemoryProgramTest, NriIdentificationSavesTheShownPortAndLanguageWithTheReply)
{
    plug<sim::NriMech>("NRI", "G18-3000");
    main().controls().get<QComboBox>("ComboPort")->setCurrentIndex(6);
    main().controls().get<QComboBox>("cmbLanguage")->setCurrentIndex(1);
    EXPECT_TRUE(p->layers().nriLogon());
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(7, "Deutsch", "05"));
    EXPECT_EQ(p->texts.languageName, "Deutsch");
    p->layers().resetProgrammerBox();
}

TEST_F(MemoryProgramTest, CcLogoffStopsTheKeepAliveTimer)
{
    EXPECT_EQ(p->memory.coins.coinValueMultiple, 1); // the start-up's default
    plug<sim::QuenbyMech>("CC", "450");
    EXPECT_EQ(main().Timer3.interval(), 1000);
    EXPECT_FALSE(main().Timer3.enabled());
    ASSERT_TRUE(p->layers().ccLogon());
    main().Timer3.setEnabled(true);
    p->layers().ccLogoff();
    EXPECT_FALSE(main().Timer3.enabled());
}

TEST_F(MemoryProgramTest, PreJobCheckLogsOnThroughTheFamilies)
{
    plug<sim::QuenbyMech>("CC", "335");
    EXPECT_TRUE(p->check.checkBoxAndValidator(true));
    EXPECT_EQ(port->sentWithBreaks(),
              kEsc25 + "MJS" + "#80C08" + kEsc25 + "$05xx" + "yy<BRK+><BRK->" + QByteArray(20, 0x1B));
    plug<sim::QuenbyMech>("NRI", "G10-4000");
    EXPECT_TRUE(p->check.checkBoxAndValidator(true));
    plug<sim::QuenbyMech>("Mars", "ME111");
    p->memory.promSize = 0;
    EXPECT_TRUE(quenby::readMechMemory(p->mech().ctx).complete);
}

} // namespace
