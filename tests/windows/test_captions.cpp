// Every window of both programs, opened on the simulated box as a user opens it, at whatever font
// the machine has: no caption of a label or button needs more room than its control has, no
// control runs past the frame or window it sits in, and no other control lies over a caption.
#include "quenby/link/frmopening.h"
#include "quenby/memutils/frmprogramming.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/frmvaltest.h"
#include "tests/ardwell/road.h"
#include "tests/quenby/clone_fixture.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <gtest/gtest.h>

namespace {

// A control the user reads or works (not a frame that holds others).
bool isControl(QWidget* w)
{
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractSlider*>(w) ||
           qobject_cast<QProgressBar*>(w) || qobject_cast<QAbstractScrollArea*>(w);
}

QRect rectIn(QWidget* window, QWidget* w) { return {w->mapTo(window, QPoint(0, 0)), w->size()}; }

// Whether o is drawn over w: of the two branches below the widget that holds both, o's comes
// later among its siblings (raise() moves a widget to the end).
bool drawnOver(QWidget* o, QWidget* w)
{
    for (QWidget* a = w; a->parentWidget(); a = a->parentWidget()) {
        QWidget* common = a->parentWidget();
        if (!common->isAncestorOf(o))
            continue;
        QWidget* b = o;
        while (b->parentWidget() != common)
            b = b->parentWidget();
        const QObjectList& order = common->children();
        return order.indexOf(b) > order.indexOf(a);
    }
    return false;
}

// Whether w lies wholly under a filled frame drawn over it (a page that covers another while it
// is shown): nothing of it can be seen, so it covers no caption and has none to show.
bool hidden(QWidget* window, QWidget* w)
{
    for (QWidget* o : window->findChildren<QWidget*>())
        if (o->autoFillBackground() && o->isVisibleTo(window) && !o->isAncestorOf(w) && !w->isAncestorOf(o) &&
            o != w && rectIn(window, o).contains(rectIn(window, w)) && drawnOver(o, w))
            return true;
    return false;
}

// The shown control lying over part of w, when one does.
QWidget* coverOf(QWidget* window, QWidget* w)
{
    if (hidden(window, w))
        return nullptr;
    const QRect mine = rectIn(window, w);
    for (QWidget* o : window->findChildren<QWidget*>()) {
        if (o == w || !o->isVisibleTo(window) || !isControl(o) || o->isAncestorOf(w) || w->isAncestorOf(o) ||
            hidden(window, o))
            continue;
        if (mine.intersects(rectIn(window, o)))
            return o;
    }
    return nullptr;
}

// One line for each shown label or button of the window whose caption is cut.
QStringList cutCaptions(QWidget* window, const QString& when)
{
    // What the event loop does next: a layout that a change asked for is laid out (a change of
    // size may ask for another).
    QApplication::processEvents();
    QApplication::processEvents();
    QStringList out;
    const auto say = [&](QWidget* w, const QString& text, const QString& why) {
        const QVariant index = w->property("ctlIndex");
        out << QStringLiteral("%1 (%2): %3%4 \"%5\" %6")
                   .arg(window->objectName().isEmpty() ? window->windowTitle() : window->objectName(), when,
                        w->objectName(), index.isValid() ? "(" + index.toString() + ")" : QString(), text, why);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QString text;
        QSize need = w->sizeHint();
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            if (l->wordWrap())
                need = QSize(w->width(), l->heightForWidth(w->width()));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        if (QWidget* o = coverOf(window, w))
            say(w, text, QStringLiteral("lies under %1").arg(o->objectName()));
        if (need.width() > w->width() || need.height() > w->height())
            say(w, text,
                QStringLiteral("needs %1x%2, has %3x%4").arg(need.width()).arg(need.height()).arg(w->width()).arg(w->height()));
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
            const QRect r(w->mapTo(p, QPoint(0, 0)), w->size());
            if (!p->rect().contains(r)) {
                say(w, text, QStringLiteral("runs past the edge of %1").arg(p->objectName()));
                break;
            }
            if (p == window)
                break;
        }
    }
    return out;
}

// The first program: a fixture for each road, built and torn down by hand.
struct Quenby : quenby_tests::CloneTest {
    void TestBody() override {}
    QStringList cut;
    void check(QWidget* w, const QString& when)
    {
        w->show();
        cut += cutCaptions(w, when);
    }
};

} // namespace

TEST(Captions, EveryWindowOfBothProgramsFitsItsCaptions)
{
    QStringList cut;
    {
        // The start-up and main windows, the coin measurement window with its wizards panel,
        // the limits editor of a Mars clone and the progress window.
        Quenby q;
        q.SetUp();
        q.start("ME111");
        q.check(&q.opening(), "start-up");
        q.opening().hide();
        q.check(&q.main(), "menu");
        q.press(q.mainC(), "cmdConfig");
        q.check(&q.main(), "settings");
        q.press(q.mainC(), "cmdCancConfig");
        q.run("cmbMarsMech", "ME111", "cmdMars");
        q.socket = &q.mech<sim::MarsSocket>();
        q.check(q.p->coinMeasureIfLoaded(), "measurement");
        q.press(q.w(), "cmdSpecialUtilities");
        q.check(q.p->coinMeasureIfLoaded(), "wizards");
        q.answer(plat::mb::OK, "Insert Old PROM to COPY");
        q.answerAfter(plat::mb::OK, [&q] { q.socket->remove(); }, "Remove OLD PROM from Socket");
        q.press(q.w(), "cmdEdit");
        ASSERT_TRUE(q.editorShown());
        q.check(q.p->promIfLoaded(), "limits editor");
        q.check(&q.p->programmingForm(), "progress");
        q.TearDown();
        cut += q.cut;
    }
    const std::pair<QString, std::pair<const char*, const char*>> wizardRoads[] = {
        {"ME181", {"cmbMarsMech", "cmdMars"}},
        {"G13-6000", {"cmbNRImech", "cmdNRIprog"}},
    };
    for (const auto& [model, road] : wizardRoads) {
        // The wizards panel where it offers the coin value box.
        Quenby q;
        q.SetUp();
        q.start(model);
        q.run(road.first, model, road.second);
        q.press(q.w(), "cmdSpecialUtilities");
        q.check(q.p->coinMeasureIfLoaded(), model + " wizards");
        q.TearDown();
        cut += q.cut;
    }
    const std::pair<QString, std::pair<const char*, const char*>> memoryRoads[] = {
        {"ME111", {"cmbMarsMech", "cmdPROMutilities"}},
        {"435", {"cmbCCmech", "cmdCCprom"}},
        {"G13-6000", {"cmbNRImech", "cmdNRIprom"}},
        {"ME111", {"cmbMarsMech", "cmdValtest"}},
        {"435", {"cmbCCmech", "cmdCCValTest"}},
        {"G40-0000", {"cmbNRImech", "cmdNRIvaltest"}},
    };
    for (const auto& [model, road] : memoryRoads) {
        // The memory windows and the validator test, by their launchers.
        Quenby q;
        q.SetUp();
        q.start(model);
        q.run(road.first, model, road.second);
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != &q.main()) {
                ++shown;
                q.check(w, model + " " + road.second);
            }
        EXPECT_EQ(shown, 1) << road.second << " opens its window";
        q.TearDown();
        cut += q.cut;
    }

    // The second program: its window with each frame the jobs show.
    for (const char* model : {"330", "126", "340", "560"}) {
        ardwell_test::Road r(model);
        ASSERT_TRUE(r.started);
        cut += cutCaptions(&r.win(), QStringLiteral("%1 main selection").arg(model));
        ASSERT_TRUE(r.enterProgramme());
        cut += cutCaptions(&r.win(), QStringLiteral("%1 programme").arg(model));
        r.click("cmdExitProgramme");
        ASSERT_TRUE(r.enterAdjust());
        cut += cutCaptions(&r.win(), QStringLiteral("%1 adjust").arg(model));
        r.ts.dialogs->answer(plat::mb::OK, "Verify OK");
        r.click("cmdExitAdjust");
        r.click("cmdTest");
        cut += cutCaptions(&r.win(), QStringLiteral("%1 test").arg(model));
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
}
