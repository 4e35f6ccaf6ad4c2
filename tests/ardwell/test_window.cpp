// The main window as a whole: its controls by name, the guard around its handlers, and what odd
// input does (and must not do) to it.
#include "platform/gui/qtserialport.h"
#include "tests/ardwell/bench.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using ardwell_test::Bench;
using namespace ardwell;
namespace mb = plat::mb;

namespace {

// The frame (group box) a control sits in.
QString frameOf(QWidget* w)
{
    for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (qobject_cast<QGroupBox*>(p) && p->objectName().startsWith("frm"))
            return p->objectName();
    return {};
}

} // namespace

TEST(WindowControls, EveryRegisteredControlCarriesItsName)
{
    Bench b;
    ASSERT_TRUE(b.start());
    const plat::ControlNames names = b.win().controls().names();
    EXPECT_GT(names.names().size(), 100);
    for (const QString& n : names.names()) {
        const bool array = names.lbound(n) <= names.ubound(n);
        for (int i = array ? names.lbound(n) : -1; i <= (array ? names.ubound(n) : -1); ++i) {
            QWidget* w = b.win().controls().widget(n, i);
            ASSERT_NE(w, nullptr) << n.toStdString() << i;
            if (w != &b.win()) {
                EXPECT_EQ(w->objectName(), n);
            }
        }
    }
}

TEST(WindowControls, TheSevenControlsTheTestBoxCommandsReadAreInTheirFrames)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox()); // choosing an interface sends the mask
    auto& c = b.win().controls();
    for (int i = 0; i < 8; ++i) {
        auto* box = c.get<QCheckBox>("chkInhibit", i);
        EXPECT_EQ(box->text(), QString("Inhibit %1").arg(i + 1));
        EXPECT_EQ(frameOf(box), "frmTest");
    }
    const std::pair<const char*, const char*> checks[] = {
        {"chkAllInhibit", "ALL Inhibit"}, {"chkBinary", "Binary Mode"}, {"chkHopper", "Hopper Drive"}};
    for (const auto& [name, caption] : checks) {
        EXPECT_EQ(c.get<QCheckBox>(name)->text(), caption);
        EXPECT_EQ(b.view().value(name), 0) << name;
    }
    EXPECT_EQ(frameOf(c.widget("chkAllInhibit")), "frmTest");
    EXPECT_EQ(frameOf(c.widget("chkBinary")), "frmTest");
    EXPECT_EQ(frameOf(c.widget("chkHopper")), "frmProgramme");
    const std::pair<const char*, const char*> options[] = {
        {"opt10way", "10 way Ribbon"}, {"opt16way", "16 way Ribbon"}, {"optDualPolarity", "Dual Polarity"}};
    for (const auto& [name, caption] : options) {
        auto* o = c.get<QRadioButton>(name);
        EXPECT_EQ(o->text(), caption);
        EXPECT_EQ(o->parentWidget()->objectName(), "Frame2");
        EXPECT_EQ(frameOf(o), "frmTest");
    }
    // Hidden with their frames until a job opens them; the model options are a group apart.
    EXPECT_FALSE(c.widget("chkHopper")->isVisible());
    EXPECT_FALSE(c.widget("opt16way")->isVisible());
    b.view().setValue("opt16way", 1);
    EXPECT_EQ(b.view().value("opt330"), 1);
}

TEST(WindowControls, TheOutputMaskAndHopperPulseReadTheWindow)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    auto& v = b.view();
    auto& link = b.program->link();
    // Model 330 without dual polarity, 10-way ribbon, all inhibited.
    v.setValue("opt10way", 1);
    v.setValue("chkAllInhibit", 1);
    auto before = b.sent().size();
    link.sendOutputMask(ardwell::outputMask(v));
    EXPECT_EQ(b.sent().mid(before), QByteArray("#FA\r"));
    // 16-way ribbon, inhibits 1 and 3, all inhibited: 64 + 4 + 1.
    v.setValue("opt16way", 1);
    v.setValue("chkInhibit", 1, 0);
    v.setValue("chkInhibit", 1, 2);
    before = b.sent().size();
    link.sendOutputMask(ardwell::outputMask(v));
    EXPECT_EQ(b.sent().mid(before), QByteArray("#BA\r"));

    before = b.sent().size();
    link.hopperPulse(v.value("chkHopper") == 1);
    EXPECT_EQ(b.sent().mid(before), QByteArray());
    v.setValue("chkHopper", 1);
    link.hopperPulse(v.value("chkHopper") == 1);
    EXPECT_EQ(b.sent().mid(before), QByteArray("+\r"));
    EXPECT_EQ(b.ts.sound->beeps, 1);
}

TEST(WindowControls, EveryControlNameInTheSourcesIsRegistered)
{
    Bench b;
    ASSERT_TRUE(b.start());
    const plat::ControlNames names = b.win().controls().names();
    static const QRegularExpression literal(
        QStringLiteral("\"((?:cmd|lbl|txt|Txt|cmb|opt|chk|frm|shp|prg|Frame)[A-Za-z0-9]+)\""));
    QStringList unknown;
    QSet<QString> seen;
    QDirIterator it(QStringLiteral(ARDWELL_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = literal.globalMatch(text); m.hasNext();) {
            const QString name = m.next().captured(1);
            seen.insert(name);
            if (!names.hasName(name))
                unknown << QFileInfo(path).fileName() + ": " + name;
        }
    }
    EXPECT_TRUE(unknown.isEmpty()) << unknown.join(", ").toStdString();
    // The scan does see the names the link reads.
    for (const char* n : {"chkHopper", "opt16way", "chkInhibit", "lbldebug", "frmPCAtest"})
        EXPECT_TRUE(seen.contains(n)) << n;
}

// Code both programs use lives in platform/: neither program builds in the other's files.
TEST(WindowControls, NoSourceIncludesTheFirstProgram)
{
    QStringList offenders;
    QDirIterator it(QStringLiteral(ARDWELL_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        if (f.readAll().contains("#include \"quenby/"))
            offenders << QFileInfo(path).fileName();
    }
    EXPECT_TRUE(offenders.isEmpty()) << offenders.join(", ").toStdString();
}

// ---- The guard around every handler ----

TEST(WindowHandlers, AFailingJobIsReportedWithItsContextAndTheWindowGoesOn)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    auto& jobs = b.scriptJobs();
    int runs = 0;
    jobs.programme = [&] {
        ++runs;
        throw plat::RuntimeError(91, "Object variable not set");
    };
    b.ts.dialogs->answer(mb::OK);
    b.click("cmdProgramme");
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.ts.dialogs->boxes()[0].text,
              "Error Launching Programme routine :  \r\nObject variable not set - 91");
    EXPECT_EQ(b.ts.dialogs->boxes()[0].title, "Error detected");
    // The job is over: the next click runs it again.
    b.ts.dialogs->answer(mb::OK);
    b.click("cmdProgramme");
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(b.program->guard().jobRunning());
}

// ---- Odd input ----

TEST(WindowLayout, ALongLineFromTheBoxIsClippedAndTheWindowKeepsItsSize)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    auto& w = b.win();
    w.layout()->activate();
    const QSize size = w.size();
    const int minimum = w.minimumSizeHint().width();
    const int preferred = w.sizeHint().width();
    QWidget* debug = w.controls().widget("lbldebug");
    const int debugWidth = debug->width();

    const QByteArray noise = "*" + QByteArray(400, 'N');
    b.box.sendLine(noise);
    ASSERT_TRUE(b.ts.sched->pumpUntil([&] { return b.view().text("lbldebug").size() == noise.size(); }, 2000));
    b.view().setText("lblHWversion", QString(300, 'V'));
    b.view().setText("lblRejectedReason", QString(300, 'R'));
    w.layout()->activate();
    QApplication::processEvents();
    EXPECT_EQ(w.size(), size);
    EXPECT_EQ(w.minimumSizeHint().width(), minimum);
    EXPECT_EQ(w.sizeHint().width(), preferred); // nothing that lays the window out anew grows it
    EXPECT_EQ(debug->width(), debugWidth);
    EXPECT_EQ(b.view().text("lbldebug"), QString::fromLatin1(noise)); // kept whole, shown clipped
}

TEST(WindowStartUp, APortThatIsNoSerialDeviceIsReportedAsAnInvalidPort)
{
    Bench b;
    b.ts.writeFile("config.txt", "1,\"330\"\r\n");
    QDir(b.ts.folder()).mkpath("ports");
    ASSERT_TRUE(QFile::link("/dev/null", b.ts.folder() + "/ports/COM1"));
    b.ts.makePort = [&] { return std::make_unique<plat::QtSerialPort>(*b.ts.env); };
    b.ts.dialogs->answer(mb::OK, "COM1 (/dev/null) cannot be opened: not a serial device");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(b.start());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not a serial device"), std::string::npos) << said;
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.ts.dialogs->boxes()[0].style, mb::OKCancel | mb::Critical | mb::SystemModal);
    EXPECT_FALSE(b.st().portOpen);
    EXPECT_FALSE(b.view().isEnabled("cmdProgramme"));
}

TEST(WindowLayout, TheWindowTakesTheSizeOfTheFrameShown)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    auto& w = b.win();
    QApplication::processEvents();
    const QSize selection = w.size();
    b.click("cmdTest");
    QApplication::processEvents();
    ASSERT_TRUE(b.view().isVisible("frmTest"));
    EXPECT_GT(w.height(), selection.height()) << "the test frame is larger than the main selection";
    b.click("cmdFinishTest", 0);
    QApplication::processEvents();
    ASSERT_TRUE(b.view().isVisible("frmMain1"));
    EXPECT_EQ(w.size(), selection);
}

TEST(WindowStartUp, NoiseInPlaceOfTheBoxIdentificationLeavesTheVersionLabel)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    ASSERT_EQ(b.view().text("lblHWversion"), "READY V2.10");
    b.box.sendLine(QByteArray(">") + QByteArray("\x01\xE9#q\x7F~~!", 8));
    b.box.sendLine(QByteArray("<") + QByteArray("\x02\xFF(@@)", 6));
    ASSERT_TRUE(b.ts.sched->pumpUntil([&] { return b.st().boxVersionText.endsWith("(@@)"); }, 2000));
    EXPECT_EQ(b.view().text("lblHWversion"), "READY V2.10");
}
