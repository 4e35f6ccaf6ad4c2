// The PROM data view from the Mars "PROM Utilities" and from the limits editor on the simulated
// box: one report per opening, the size and view lists, reading again with the view's own model
// and size, the 10 s read time-out, and leaving it.
#include "sim/marssocket.h"
#include "tests/quenby/memwindow_fixture.h"

namespace {

using namespace quenby_tests;
using sim::MarsSocket;

// Counts the reports drawn into the view.
struct CountingView : quenby::PromDataView {
    quenby::Program* p = nullptr;
    int shows = 0;
    std::optional<int> showReportView() override
    {
        ++shows;
        return p->promDataForm().showReportView();
    }
    void setPanes(const QString& read, const QString& toProgram) override
    {
        p->promDataForm().setPanes(read, toProgram);
    }
};

struct PromViewTest : MemoryWindowTest {
    CountingView* view = nullptr;

    void open(const QString& model)
    {
        start(model);
        auto v = std::make_unique<CountingView>();
        v->p = p.get();
        view = v.get();
        p->setPromDataView(std::move(v));
        run("cmbMarsMech", model, "cmdPROMutilities");
        clearSent();
    }
    MarsSocket& socket() { return mech<MarsSocket>(); }
};

TEST_F(PromViewTest, OpensWithOneReportOfThePromJustRead)
{
    open("ME111");
    quenby::frmPROMdata* w = p->promDataIfLoaded();
    ASSERT_TRUE(shown(w));
    EXPECT_EQ(view->shows, 1) << "the list filled from code draws nothing of its own";
    EXPECT_EQ(w->windowTitle(), "PROM Utilities");
    EXPECT_EQ(prom().items("cmbSize"), (QStringList{"1K", "2K"}));
    EXPECT_EQ(prom().text("cmbSize"), "1K");
    EXPECT_TRUE(prom().isEnabled("cmbSize"));
    EXPECT_EQ(prom().items("cmbDisplay"), (QStringList{"Data Addr 0-255", "Limits Segs 1 & 2"}));
    EXPECT_EQ(prom().text("lblmechType"), "ME111");
    EXPECT_EQ(prom().text("Label1"), "DATA READ FROM PROM");
    EXPECT_EQ(prom().text("Label2"), "NEW PROM DATA TO PROGRAM");
    EXPECT_TRUE(fixedPitch(prom().get<QLabel>("lblPROM")) && fixedPitch(prom().get<QLabel>("lblPROM2")));
    EXPECT_FALSE(prom().text("lblPROM").isEmpty());
    for (int s = 0; s < 4; ++s)
        EXPECT_TRUE(p->memory.coins.segmentSelected(s));
    EXPECT_TRUE(main().isVisible());
}

TEST_F(PromViewTest, TheSizeRebuildsTheViewList)
{
    open("ME111");
    choose(prom(), "cmbSize", 1);
    EXPECT_EQ(p->memory.promSize, 1);
    EXPECT_EQ(prom().items("cmbDisplay"),
              (QStringList{"Data Addr 0-255", "Limits Segs 1 & 2", "Data Addr 256-511", "Limits Segs 3 & 4"}));
    EXPECT_EQ(view->shows, 2) << "one redraw";
    choose(prom(), "cmbDisplay", 3);
    EXPECT_EQ(view->shows, 3);
    choose(prom(), "cmbSize", 0);
    EXPECT_EQ(prom().items("cmbDisplay").size(), 2);
    EXPECT_EQ(prom().value("cmbDisplay"), 0) << "the view falls back to the first";
    EXPECT_EQ(p->memory.promSize, 0);
    EXPECT_TRUE(sentSince().isEmpty());
}

TEST_F(PromViewTest, AnMe181ListsThreeViewsAt2K)
{
    open("ME181");
    EXPECT_EQ(prom().items("cmbDisplay"), (QStringList{"Data Addr 0-255", "Limits & Values"}));
    choose(prom(), "cmbSize", 1);
    EXPECT_EQ(prom().items("cmbDisplay"), (QStringList{"Data Addr 0-255", "Limits & Values", "Data Addr 256-511"}));
}

TEST_F(PromViewTest, ReadPromReadsTheViewsModelAtTheSizeItShows)
{
    open("ME111");
    choose(prom(), "cmbSize", 1);
    // Meanwhile another job of the menu behind it, and a window's Close that reset the size.
    p->job.beginJob(quenby::Family::CC, "C120");
    p->memory.promSize = 0;
    press(prom(), "cmdReadPROM");
    EXPECT_EQ(sentSince(), "JEKW") << "a 2K read between J and W";
    EXPECT_EQ(p->job.mechFamily, quenby::Family::Mars);
    EXPECT_EQ(p->job.mechModel, "ME111");
    EXPECT_EQ(p->memory.images.readImage[300], socket().nibble(300));
    EXPECT_EQ(view->shows, 3);
}

TEST_F(PromViewTest, AReadThatNeverEndsWaitsItsTenSecondsAndShowsWhatCame)
{
    open("ME111");
    socket().setFault(MarsSocket::Fault::TopLineLost, sim::When::always());
    ts.dialogs->answer(plat::mb::OK, "Unable to Read PROM : timed out");
    const plat::Millis t0 = ts.sched->nowMs();
    press(prom(), "cmdReadPROM");
    const plat::Millis took = ts.sched->nowMs() - t0;
    EXPECT_GE(took, 10000);
    EXPECT_LT(took, 10500);
    EXPECT_EQ(sentSince(), "JEAW");
    EXPECT_EQ(p->memory.images.readImage[5], socket().nibble(5)) << "the lines that came are shown";
    EXPECT_EQ(view->shows, 2) << "drawn from what came";
}

TEST_F(PromViewTest, CloseAndTheCloseBoxSendWAndGiveTheButtonBack)
{
    open("ME111");
    press(prom(), "cmdBye");
    EXPECT_EQ(sentSince(), "W");
    EXPECT_FALSE(p->promDataIfLoaded());
    EXPECT_TRUE(mainC().isEnabled("cmdPROMutilities"));
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(p->promIfLoaded()) << "a Close never builds the limits editor";
    run("cmbMarsMech", "ME111", "cmdPROMutilities");
    clearSent();
    closeBox(p->promDataIfLoaded());
    EXPECT_EQ(sentSince(), "W");
    EXPECT_TRUE(mainC().isEnabled("cmdPROMutilities"));
}

} // namespace
