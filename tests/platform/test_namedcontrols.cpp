#include "platform/gui/namedcontrols.h"
#include "platform/gui/qtdialogs.h"
#include "platform/jobguard.h"
#include "tests/support/testservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace plat;
using testing_support::errNumber;

TEST(NamedControls, RendersByNameAndIndexAndCarriesTheNameIntoQt)
{
    QWidget window;
    NamedControls c(QStringLiteral("frmTest"));
    auto* caption = c.add(new QLabel(&window), QStringLiteral("lblTitle"));
    for (int i = 0; i < 3; ++i)
        c.add(new Lamp(&window), QStringLiteral("shpLamp"), i);
    auto* list = c.add(new QComboBox(&window), QStringLiteral("cmbModel"));
    auto* opt = c.add(new QRadioButton(&window), QStringLiteral("optA"));
    int clicks = 0;
    onClick(opt, [&] { ++clicks; });

    c.setText(QStringLiteral("lblTitle"), QStringLiteral("Coin 01"));
    EXPECT_EQ(caption->text(), "Coin 01");
    EXPECT_EQ(caption->objectName(), "lblTitle");
    c.setFill(QStringLiteral("shpLamp"), kRed, 2);
    EXPECT_EQ(c.fill(QStringLiteral("shpLamp"), 2), kRed);
    EXPECT_EQ(c.fill(QStringLiteral("shpLamp"), 0), kWhite);
    EXPECT_EQ(c.get<Lamp>(QStringLiteral("shpLamp"), 1)->property("ctlIndex").toInt(), 1);
    EXPECT_EQ(c.array<Lamp>(QStringLiteral("shpLamp")).ubound(), 2);

    int changes = 0;
    QObject::connect(list, &QComboBox::currentIndexChanged, [&](int) { ++changes; });
    c.setItems(QStringLiteral("cmbModel"), {"C120", "435"});
    EXPECT_EQ(changes, 0) << "filling a list from code runs no click";
    EXPECT_EQ(c.items(QStringLiteral("cmbModel")), QStringList({"C120", "435"}));
    c.setValue(QStringLiteral("optA"), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(c.names().ubound(QStringLiteral("shpLamp")), 2);
}

TEST(NamedControls, AnUnknownNameIsReportedNeverIgnored)
{
    QWidget window;
    NamedControls c(QStringLiteral("frmTest"));
    c.add(new QLabel(&window), QStringLiteral("lblTitle"));
    EXPECT_NONFATAL_FAILURE(c.setText(QStringLiteral("lblTitel"), QStringLiteral("x")), "unknown control lblTitel");
    EXPECT_NONFATAL_FAILURE(c.setVisible(QStringLiteral("lblTitle"), false, 3), "lblTitle(3)");
    EXPECT_NONFATAL_FAILURE(
        { EXPECT_EQ(errNumber([&] { c.get<QLabel>(QStringLiteral("cmdGo")); }), 424); }, "unknown control cmdGo");
    // A known name of another kind is not an object of the kind asked for.
    EXPECT_EQ(errNumber([&] { c.get<QCheckBox>(QStringLiteral("lblTitle")); }), 424);
}

namespace {

// A caption control that counts how many characters its size queries had to lay out.
template <class Base>
class Measured : public Base {
public:
    using Base::Base;
    QSize sizeHint() const override
    {
        laidOut += Base::text().size();
        return Base::sizeHint();
    }
    int heightForWidth(int width) const override
    {
        laidOut += Base::text().size();
        return Base::heightForWidth(width);
    }
    mutable qint64 laidOut = 0;
};

} // namespace

TEST(NamedControls, AHugeTextCostsWhatTheControlCanShowAndReadsBackWhole)
{
    // A damaged file's line: 900,000 letters without a blank, given to captions that must grow
    // and shrink their font to fit, to a frame's title and to a list.
    const QString huge(900000, u'w');
    QWidget window;
    window.resize(600, 400);
    NamedControls c(QStringLiteral("frmTest"));
    auto* button = c.add(new Measured<QPushButton>(&window), QStringLiteral("cmdGo"));
    button->setGeometry(10, 10, 120, 40);
    auto* wrapped = c.add(new Measured<QLabel>(&window), QStringLiteral("lblStatus"));
    wrapped->setGeometry(10, 60, 300, 40);
    wrapped->setWordWrap(true);
    auto* frame = c.add(new QGroupBox(&window), QStringLiteral("frmCoin"));
    frame->setGeometry(10, 200, 300, 60);
    auto* list = c.add(new QComboBox(&window), QStringLiteral("cmbDisplay"));
    list->setGeometry(10, 300, 150, 24);
    window.show();
    QApplication::processEvents();

    c.setText(QStringLiteral("cmdGo"), huge);
    c.setText(QStringLiteral("lblStatus"), huge);
    c.setText(QStringLiteral("frmCoin"), huge);
    c.setItems(QStringLiteral("cmbDisplay"), {QStringLiteral("Hex"), huge});
    c.setText(QStringLiteral("cmbDisplay"), huge);
    QApplication::processEvents();
    QApplication::processEvents();

    // However long the text, the fits lay out no more than the first 4,096 characters each time.
    EXPECT_LE(button->laidOut, 32 * 4096);
    EXPECT_LE(wrapped->laidOut, 32 * 4096);
    EXPECT_EQ(button->text(), huge.left(4096));
    EXPECT_EQ(wrapped->text(), huge.left(4096));
    EXPECT_EQ(frame->title(), huge.left(4096));
    EXPECT_EQ(list->itemText(1), huge.left(4096));
    EXPECT_EQ(list->currentIndex(), 1) << "the list still finds the item by the whole text";
    // The program reads back what it set.
    EXPECT_EQ(c.text(QStringLiteral("cmdGo")), huge);
    EXPECT_EQ(c.text(QStringLiteral("lblStatus")), huge);
    EXPECT_EQ(c.text(QStringLiteral("frmCoin")), huge);

    // A text of exactly 4,096 is shown whole, and a short text set afterwards is the caption again.
    const QString most(4096, u'x');
    c.setText(QStringLiteral("cmdGo"), most);
    EXPECT_EQ(button->text(), most);
    EXPECT_EQ(c.text(QStringLiteral("cmdGo")), most);
    c.setText(QStringLiteral("cmdGo"), QStringLiteral("Exit"));
    EXPECT_EQ(button->text(), "Exit");
    EXPECT_EQ(c.text(QStringLiteral("cmdGo")), "Exit");
}

TEST(NamedControls, ACaptionSetAroundTheRegistryIsCutWhenItIsFitted)
{
    // Window code may set a caption through its own pointer; the fit still measures no more
    // than what can be shown.
    QWidget window;
    window.resize(600, 400);
    NamedControls c(QStringLiteral("frmTest"));
    auto* status = c.add(new Measured<QLabel>(&window), QStringLiteral("LabelStatus"));
    status->setGeometry(10, 10, 300, 60);
    status->setWordWrap(true);
    window.show();
    QApplication::processEvents();
    status->setText(QString(900000, u'w'));
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_LE(status->laidOut, 32 * 4096);
    EXPECT_EQ(status->text(), QString(4096, u'w'));
}

TEST(NamedControls, ACaptionFittedSmallerIsNotFittedAgainWhileNothingChanges)
{
    // A caption that needs a smaller font in a shown window: each refit went back to the design
    // font and down again, which asked the window to lay out once more, without end.
    QWidget window;
    window.resize(300, 200);
    NamedControls c(QStringLiteral("frmTest"));
    auto* button = c.add(new Measured<QPushButton>(&window), QStringLiteral("cmdGo"));
    button->setGeometry(10, 10, 100, 24);
    c.add(new QPushButton(&window), QStringLiteral("cmdNext"))->setGeometry(112, 10, 100, 24);
    window.show();
    QApplication::processEvents();
    c.setText(QStringLiteral("cmdGo"), QStringLiteral("Programmer Version Number"));
    QApplication::processEvents();
    const QFont fitted = button->font();
    ASSERT_LT(fitted.pointSizeF(), window.font().pointSizeF()) << "the caption needs a smaller font";
    const qint64 settled = button->laidOut;
    for (int pass = 0; pass < 5; ++pass)
        QApplication::processEvents();
    EXPECT_EQ(button->laidOut, settled);
    EXPECT_EQ(button->font(), fitted);

    // A new caption is fitted anew.
    c.setText(QStringLiteral("cmdGo"), QStringLiteral("Exit"));
    QApplication::processEvents();
    EXPECT_EQ(button->font().pointSizeF(), window.font().pointSizeF());
}

TEST(MessageBoxes, AHugeTextIsShownCut)
{
    QtDialogs d;
    QString shownText, shownTitle;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownTitle = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(d.msgBox(QString(900000, u'w'), mb::OKOnly, QString(900000, u't')), mb::OK);
    EXPECT_EQ(shownText, QString(4096, u'w'));
    EXPECT_EQ(shownTitle, QString(4096, u't'));
}

TEST(MemoryView, KnowsExactlyTheNamesItIsGiven)
{
    ControlNames names;
    names.add(QStringLiteral("lblTitle"));
    names.addArray(QStringLiteral("shpLamp"), 0, 15);
    MemoryView v(names);
    v.setFill(QStringLiteral("shpLamp"), kRed, 15);
    EXPECT_EQ(v.fill(QStringLiteral("shpLamp"), 15), kRed);
    EXPECT_TRUE(v.isVisible(QStringLiteral("lblTitle")));
    EXPECT_NONFATAL_FAILURE(v.setFill(QStringLiteral("shpLamp"), kRed, 16), "shpLamp(16)");
    EXPECT_NONFATAL_FAILURE(v.setText(QStringLiteral("lblTitle"), {}, 0), "lblTitle(0)");
}

namespace {
struct Guard {
    testing_support::TestServices ts;
    std::vector<QString> reports;
    JobGuard g{*ts.sched, [this](const QString& ctx, const std::exception& e) {
                   reports.push_back(ctx + QString::fromLocal8Bit(e.what()));
               }};
};
} // namespace

TEST(JobGuard, BarrierReportsWithContextAndNothingLeavesTheHandler)
{
    Guard t;
    EXPECT_NO_THROW(t.g.handle(QStringLiteral("Error Exit routine : "),
                               [] { throw RuntimeError(53, QStringLiteral("File not found")); }));
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0], "Error Exit routine : File not found");
    // The end of the program is not an error: it travels on from the next pump.
    EXPECT_NO_THROW(t.g.handle([] { throw ProgramEnded{3}; }));
    try {
        t.ts.sched->pump();
        FAIL() << "the end should have come out of the pump";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.code, 3);
    }
}

TEST(JobGuard, SecondJobRefusedWhileOneWaitsAndExitWaitsForIt)
{
    Guard t;
    bool second = false, exited = false, done = false;
    t.ts.sched->callAfter(100, [&] {
        t.g.handle([&] { EXPECT_FALSE(t.g.runJob([&] { second = true; })); });
        t.g.requestExit([&] { exited = true; });
        EXPECT_TRUE(t.g.exitPending());
        EXPECT_FALSE(exited);
    });
    t.ts.sched->callAfter(200, [&] { done = true; });
    EXPECT_TRUE(t.g.runJob([&] {
        while (!done)
            t.ts.sched->pump();
    }));
    EXPECT_FALSE(second);
    EXPECT_TRUE(exited) << "the exit runs once the job has returned";
    EXPECT_TRUE(t.g.exiting());
    EXPECT_FALSE(t.g.runJob([] {})) << "no job starts while the program ends";
}

TEST(JobGuard, AJobThatThrowsIsReportedAndFreesTheGuard)
{
    Guard t;
    EXPECT_TRUE(t.g.runJob(QStringLiteral("Error Programme routine : "),
                           [] { throw RuntimeError(6, QStringLiteral("Overflow")); }));
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0], "Error Programme routine : Overflow");
    EXPECT_FALSE(t.g.jobRunning());
    bool ran = false;
    EXPECT_TRUE(t.g.runJob([&] { ran = true; }));
    EXPECT_TRUE(ran);
}
