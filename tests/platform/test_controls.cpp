#include "platform/gui/controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

using namespace plat;
using testing_support::errNumber;

namespace {

void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }


} // namespace

TEST(Colors, BgrValuesAndSystemColours)
{
    EXPECT_EQ(colorFromBgr(255), QColor(255, 0, 0));
    EXPECT_EQ(colorFromBgr(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(colorFromBgr(0x00FF00), QColor(0, 255, 0));
    EXPECT_EQ(bgrFromColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(colorFromBgr(sysColor::ButtonFace), pal.color(QPalette::Button));
    EXPECT_EQ(colorFromBgr(sysColor::WindowBackground), pal.color(QPalette::Base));
    EXPECT_EQ(colorFromBgr(sysColor::ButtonText), pal.color(QPalette::ButtonText));
    EXPECT_TRUE(colorFromBgr(0x800000FF).isValid()); // unknown index: still a colour
}

TEST(Colors, BackColorReadsBackExactlyWhatWasSet)
{
    QLabel label;
    QLineEdit edit;
    EXPECT_EQ(backColor(&label), sysColor::ButtonFace);
    EXPECT_EQ(backColor(&edit), sysColor::WindowBackground);
    setBackColor(&label, 0x00FFFF);
    EXPECT_EQ(backColor(&label), 0x00FFFFu);
    EXPECT_EQ(label.palette().color(QPalette::Window), QColor(255, 255, 0));
    setBackColor(&label, sysColor::ButtonFace); // a system colour stays a system colour
    EXPECT_EQ(backColor(&label), sysColor::ButtonFace);
}

TEST(Colors, TheTextOnABackColourStaysReadable)
{
    QLabel label;
    setBackColor(&label, 0xFF0000); // saturated blue, the Mars badge
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::white));
    setBackColor(&label, 0x00FFFF); // yellow
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::black));
    setBackColor(&label, 0x0000FF); // red
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::black));
    setBackColor(&label, sysColor::ButtonFace);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QApplication::palette(&label).color(QPalette::WindowText));
}

TEST(Lamp, KeepsItsFillAndVisibility)
{
    QWidget host;
    Lamp lamp(&host);
    EXPECT_EQ(lamp.fillColor(), kWhite);
    lamp.setFillColor(kRed);
    EXPECT_EQ(lamp.fillColor(), 255u);
    host.show();
    lamp.setVisible(false);
    EXPECT_FALSE(lamp.isVisible());
    lamp.setShape(Lamp::Shape::Rectangle);
    lamp.setVisible(true);
    lamp.resize(20, 10);
    EXPECT_FALSE(lamp.grab().isNull()); // paints without a fuss
}

TEST(CheckBoxes, ValuesZeroOneAndGreyed)
{
    QCheckBox box;
    EXPECT_EQ(checkValue(&box), 0);
    setCheckValue(&box, 2);
    EXPECT_EQ(checkValue(&box), 2);
    setCheckValue(&box, 1);
    EXPECT_EQ(checkValue(&box), 1);
    EXPECT_EQ(errNumber([&] { setCheckValue(&box, 3); }), 380);
    EXPECT_EQ(checkValue(&box), 1);
}

TEST(ClickHandlers, RunWhenCodeSetsTheValue)
{
    QWidget host;
    auto* a = new QRadioButton("a", &host);
    auto* b = new QRadioButton("b", &host);
    auto* chk = new QCheckBox("c", &host);
    std::vector<QString> clicks;
    onClick(a, [&] { clicks.push_back("a"); });
    onClick(b, [&] { clicks.push_back("b"); });
    onClick(chk, [&] { clicks.push_back("chk" + QString::number(checkValue(chk))); });

    a->setChecked(true);
    b->setChecked(true); // a is cleared: only b's handler runs
    setCheckValue(chk, 1);
    setCheckValue(chk, 0);
    b->click(); // already set: no change, no click
    EXPECT_EQ(clicks, (std::vector<QString>{"a", "b", "chk1", "chk0"}));
    EXPECT_FALSE(a->isChecked());

    setOptionValue(b, false); // Qt alone refuses to clear the set button of a group
    EXPECT_FALSE(b->isChecked());
    EXPECT_TRUE(b->autoExclusive());
    setOptionValue(a, true);
    EXPECT_EQ(clicks.back(), "a");
}

TEST(ControlArray, IndexesAndBounds)
{
    QWidget host;
    ControlArray<QLabel> lbl;
    EXPECT_EQ(lbl.count(), 0);
    EXPECT_EQ(lbl.ubound(), -1);
    for (int i = 0; i <= 95; ++i)
        EXPECT_EQ(lbl.add(new QLabel(&host)), i);
    EXPECT_EQ(lbl.lbound(), 0);
    EXPECT_EQ(lbl.ubound(), 95);
    EXPECT_NE(lbl(95), nullptr);
    EXPECT_EQ(errNumber([&] { lbl.at(96); }), err::SubscriptOutOfRange);
    EXPECT_EQ(errNumber([&] { lbl.at(-1); }), err::SubscriptOutOfRange);

    delete lbl.at(10); // a control that is gone is missing, not dangling
    EXPECT_FALSE(lbl.exists(10));
    EXPECT_EQ(errNumber([&] { lbl[10]; }), err::SubscriptOutOfRange);

    ControlArray<QLabel> sparse;
    sparse.set(1, new QLabel(&host));
    sparse.set(4, new QLabel(&host));
    EXPECT_EQ(sparse.lbound(), 1);
    EXPECT_EQ(sparse.ubound(), 4);
    EXPECT_EQ(sparse.indexes(), (std::vector<int>{1, 4}));
    EXPECT_FALSE(sparse.exists(2));
}

namespace {

// A window whose button handler unloads the window itself.
struct Probe : QWidget {
    static inline int built = 0;
    QPushButton* cmdClose;
    QLabel* lblState;
    Probe()
    {
        ++built;
        auto* lay = new QVBoxLayout(this);
        cmdClose = new QPushButton("Close", this);
        lblState = new QLabel("design", this);
        lay->addWidget(cmdClose);
        lay->addWidget(lblState);
    }
};

} // namespace

TEST(FormSlot, AHandlerMayUnloadItsOwnWindow)
{
    HandlerDepth depth;
    FormSlot<Probe> frmProbe(depth);
    EXPECT_FALSE(frmProbe.loaded());
    Probe::built = 0;
    Probe& w = frmProbe.get();
    EXPECT_EQ(&frmProbe.get(), &w); // one instance until unloaded
    EXPECT_EQ(Probe::built, 1);
    w.show();
    w.lblState->setText("changed");

    QPointer<Probe> old = &w;
    bool aliveInside = false;
    QObject::connect(w.cmdClose, &QPushButton::clicked, &w, [&] {
        HandlerScope scope(depth);
        frmProbe.unload();
        runDeferredDeletes(); // a nested pump inside the handler
        aliveInside = !old.isNull() && old->cmdClose != nullptr;
        old->lblState->setText("still usable");
    });
    w.cmdClose->click();
    EXPECT_TRUE(aliveInside);
    EXPECT_FALSE(frmProbe.loaded());
    ASSERT_FALSE(old.isNull());
    EXPECT_FALSE(old->isVisible());
    runDeferredDeletes();
    EXPECT_TRUE(old.isNull()); // gone once the handler returned

    Probe& fresh = frmProbe.get();
    EXPECT_EQ(Probe::built, 2);
    EXPECT_EQ(fresh.lblState->text(), "design");
}

TEST(FormSlot, NestedHandlersKeepTheWindowUntilTheOutermostReturns)
{
    HandlerDepth depth;
    FormSlot<Probe> frmProbe(depth);
    QPointer<Probe> w = &frmProbe.get();
    {
        HandlerScope outer(depth);
        {
            HandlerScope inner(depth);
            frmProbe.unload();
            frmProbe.unload(); // twice is harmless
        }
        runDeferredDeletes();
        EXPECT_FALSE(w.isNull());
    }
    runDeferredDeletes();
    EXPECT_TRUE(w.isNull());

    // Unloaded with no handler running: destroyed right away.
    QPointer<Probe> w2 = &frmProbe.get();
    frmProbe.unload();
    runDeferredDeletes();
    EXPECT_TRUE(w2.isNull());
}

TEST(FormSlot, TheSlotDestroysWhatItStillHolds)
{
    HandlerDepth depth;
    QPointer<Probe> loaded, retired;
    {
        HandlerScope scope(depth);
        FormSlot<Probe> a(depth), b(depth);
        retired = &a.get();
        a.unload();
        loaded = &b.get();
    }
    EXPECT_TRUE(loaded.isNull());
    EXPECT_TRUE(retired.isNull());
    // The slots are gone; the depth dropping to 0 later must not reach them.
    HandlerScope again(depth);
}

TEST(FormSlot, AWindowWaitingForTheEventLoopGoesWithItsSlot)
{
    // Its destructor may reach the owner's state: it must not run after the owner is gone.
    HandlerDepth depth;
    QPointer<Probe> w;
    {
        FormSlot<Probe> frmProbe(depth);
        w = &frmProbe.get();
        frmProbe.unload(); // no handler running: handed to the event loop at once
        ASSERT_FALSE(w.isNull());
    }
    EXPECT_TRUE(w.isNull());
    runDeferredDeletes(); // and nothing left to delete twice
}

TEST(FormSlot, TakesItsFactory)
{
    HandlerDepth depth;
    int made = 0;
    FormSlot<QLabel> frm(depth, [&] {
        ++made;
        return std::make_unique<QLabel>(QString("label %1").arg(made));
    });
    EXPECT_EQ(frm->text(), "label 1");
    EXPECT_EQ(frm.ifLoaded()->text(), "label 1");
    frm.unload();
    EXPECT_EQ(frm.ifLoaded(), nullptr);
    EXPECT_EQ(frm->text(), "label 2");
}
