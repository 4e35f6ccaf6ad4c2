// Every control name the first program's code writes as a literal must be registered in the
// window it names; otherwise the line that uses it fails only when it runs. The reference is the
// windows' own registries: every window the program has is built offscreen and its names
// collected, so no second list of names is kept.
//
// Which window a literal names: in frm<name>.cpp/.h, that window; in a logic file that renders
// one window's panel, the window kRendersInto gives it; elsewhere, a call on a View named after
// its window (mainView->setText("lblProgrammer", ...) names frmMain). Any other literal shaped
// like a control name must be registered in some window.
#include "quenby/program.h"
#include "tests/quenby/sources.h"
#include "tests/support/testservices.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using Windows = std::map<QString, plat::ControlNames>;

// Logic files that render into one window: each of their literal names must be one of that
// window's controls.
const std::map<QString, QString> kRendersInto = {
    {"statspanel.cpp", "frmCoinMeasure1"},
    {"coinmeasure.cpp", "frmCoinMeasure1"},
    {"transfer.cpp", "frmCoinMeasure1"},
    {"coinsetrun.cpp", "frmCoinMeasure1"},
    {"wizard.cpp", "frmCoinMeasure1"},
    {"limitsgrid.cpp", "frmPROM"},
    {"coinreports.cpp", "frmValtest"},
    {"eepromviews.cpp", "frmEEPROMdata"},
    {"routing435.cpp", "frmEEPROMdata"},
};

// The window whose name matches `stem` (frmmain -> frmMain), or an empty text. A window's code
// may run over several files named after it (frmmainjobs -> frmMain): the longest window name
// the stem begins with.
QString windowFor(const Windows& windows, const QString& stem)
{
    QString best;
    for (const auto& [name, controls] : windows) {
        if (name.compare(stem, Qt::CaseInsensitive) == 0)
            return name;
        if (stem.startsWith(name, Qt::CaseInsensitive) && name.size() > best.size())
            best = name;
    }
    return best;
}

// The literal control names of one source file that its window(s) do not have.
QStringList unregistered(const QString& fileName, const QString& source, const Windows& windows)
{
    static const QRegularExpression literal(
        R"re("((?:cmd|lbl|txt|cmb|opt|chk|frm|tab|prg|shp|lst|pic|img|Label|Picture|Image|Combo|Text|Check|Option|List|Frame)[A-Z0-9]\w*)")re");
    static const QRegularExpression viewCall(R"re(\b(\w+?)View_?\s*(?:->|\.)\s*\w+\s*\(\s*(?:QStringLiteral\()?"(\w+)")re");
    QStringList out;
    const QString stem = QFileInfo(fileName).completeBaseName();
    QString own = stem.startsWith(QLatin1String("frm")) ? windowFor(windows, stem) : QString();
    if (stem.startsWith(QLatin1String("frm")) && own.isEmpty())
        out << fileName + ": no window of the program is built from this file";
    if (const auto it = kRendersInto.find(fileName); it != kRendersInto.end()) {
        own = windowFor(windows, it->second);
        if (own.isEmpty())
            out << fileName + ": renders into " + it->second + ", which the program does not have";
    }

    QSet<qsizetype> byView; // positions of literals already checked against a named window
    for (auto m = viewCall.globalMatch(source); m.hasNext();) {
        const auto match = m.next();
        const QString window = windowFor(windows, QStringLiteral("frm") + match.captured(1));
        const QString name = match.captured(2);
        byView.insert(match.capturedStart(2) - 1);
        if (window.isEmpty())
            out << fileName + ": " + match.captured(1) + "View names no window";
        else if (!windows.at(window).hasName(name))
            out << fileName + ": " + name + " is not a control of " + window;
    }
    for (auto m = literal.globalMatch(source); m.hasNext();) {
        const auto match = m.next();
        const QString name = match.captured(1);
        if (byView.contains(match.capturedStart(0)) || windows.count(name))
            continue;
        if (!own.isEmpty()) {
            if (!windows.at(own).hasName(name))
                out << fileName + ": " + name + " is not a control of " + own;
            continue;
        }
        bool anywhere = false;
        for (const auto& [w, controls] : windows)
            anywhere = anywhere || controls.hasName(name);
        if (!anywhere)
            out << fileName + ": " + name + " is a control of no window";
    }
    return out;
}

Windows programWindows()
{
    testing_support::TestServices ts;
    quenby::Program p(ts.services());
    return p.windowControls();
}

TEST(ControlNames, EveryLiteralNameIsRegisteredInTheWindowItNames)
{
    const Windows windows = programWindows();
    ASSERT_TRUE(windows.count("frmMain") && windows.count("frmOpening"));
    EXPECT_TRUE(windows.at("frmMain").hasName("lblProgrammer"));
    EXPECT_TRUE(windows.at("frmOpening").hasName("LabelStatus"));

    const auto files = quenby_tests::quenbySources();
    QStringList problems;
    for (const auto& [name, source] : files) {
        ASSERT_FALSE(name.isEmpty()) << "unreadable: " << source.toStdString();
        problems << unregistered(name, source, windows);
    }
    EXPECT_GT(files.size(), 20u);
    EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
}

TEST(ControlNames, TheScanCatchesAMisspeltOrMisplacedName)
{
    const Windows windows = programWindows();
    EXPECT_EQ(unregistered("frmmain.cpp", R"(c_.setText("cmdConfig", t); c_.setText("cmdConfg", t);)", windows),
              QStringList{"frmmain.cpp: cmdConfg is not a control of frmMain"});
    EXPECT_EQ(unregistered("boxlink.cpp", R"(mainView_->setText(QStringLiteral("LabelStatus"), v);)", windows),
              QStringList{"boxlink.cpp: LabelStatus is not a control of frmMain"});
    EXPECT_EQ(unregistered("openingview.cpp", R"(openingView.setText("LabelStatus", v);)", windows), QStringList{});
    EXPECT_EQ(unregistered("frmnosuch.cpp", "", windows),
              QStringList{"frmnosuch.cpp: no window of the program is built from this file"});
    EXPECT_EQ(unregistered("frmmainjobs.cpp", R"(c_.setText("cmdConfig", t); c_.setText("lblCoin", t);)", windows),
              QStringList{"frmmainjobs.cpp: lblCoin is not a control of frmMain"})
        << "a file named after its window checks against that window";
    EXPECT_EQ(unregistered("frmmainjobs.cpp", R"(valtestView.setText("lblCoin", t);)", windows), QStringList{});
    EXPECT_EQ(unregistered("jobs.cpp", R"(const char* n = "cmdNoSuch";)", windows),
              QStringList{"jobs.cpp: cmdNoSuch is a control of no window"});
    EXPECT_EQ(unregistered("statspanel.cpp", R"(v.setText("lblNoSuch", t);)", windows),
              QStringList{"statspanel.cpp: lblNoSuch is not a control of frmCoinMeasure1"});
}

} // namespace
