#pragma once
// The first program's main window: its start-up sequence, the family tabs with their model lists
// and job buttons, the settings frame and the countdown timers.
//
// Other code reaches its controls by name through controls(); the typed members below are the
// window's own.

#include "platform/gui/namedcontrols.h"
#include "platform/timer.h"
#include "quenby/seams.h"

#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace quenby {

class Program;

class frmMain : public QWidget {
public:
    explicit frmMain(Program& program);
    ~frmMain() override;

    // The start-up sequence; returns once the menu is shown (or the program has ended).
    void Form_Load();
    // The menu's resting state, also called by job windows on their way back.
    void setupMainForm();
    // Disables the twelve job buttons and model lists of the family tabs, in the order the
    // launchers lock them.
    void lockMenu();
    void setCaptions();
    void writeConfig(int port, const QString& language);
    // writeConfig with what the window shows: the port list's entry + 1 and the language list's
    // text, which also becomes the language name.
    void writeShownConfig();
    // Before a job: opens the port chosen in the port list (its index + 1) when it is not open,
    // then resets the box link.
    void startupPort();
    // The port list shows entry `index` (the start-up window's choice).
    void showPortChoice(int index);
    void stopTimers();

    // The validator test's reports: a box line ("V", "*EV") or a G10 mech's report, shown on the
    // test window when it is loaded, with the sound in any case.
    void parseCoinAccepted(const QString& line);
    void parseG10CoinAccepted(const QByteArray& report);
    // The accept or reject sound, played to its end.
    void makeSound(bool reject);
    // 100 ms: the highlight hold of the test window's indicators.
    void Timer2_Timer();
    // 1000 ms while enabled: the keep-alive of the older CC mechs' measurement.
    void Timer3_Timer();
    // Ticks of Timer2 left before the indicators turn grey.
    qint32 highlightHold = 0;

    void cmdConfig_Click();
    void cmdCancConfig_Click();
    void cmdSaveConfig_Click();
    void cmdExit_Click();

    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

    // The countdown tick, the highlight hold (100 ms) and the CC keep-alive (1000 ms).
    plat::Timer Timer1;
    plat::Timer Timer2;
    plat::Timer Timer3;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void fillMechLists();

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmMain")};

    QTabWidget* tabManufacturer = nullptr;
    QComboBox* cmbMarsMech = nullptr;
    QComboBox* cmbCCmech = nullptr;
    QComboBox* cmbNRImech = nullptr;
    QGroupBox* frmConfig = nullptr;
    QComboBox* ComboPort = nullptr;
    QComboBox* cmbLanguage = nullptr;
    QPushButton* cmdCancConfig = nullptr;
    QPushButton* cmdConfig = nullptr;
};

// The nine job buttons' launchers (frmmainjobs.cpp), which the program plugs into its menu.
std::unique_ptr<MenuJobs> makeMainMenuJobs(Program& p);

// A framed place for the program's artwork, as the main and opening windows show it.
QLabel* artwork(QWidget* parent, int x, int y, int w, int h);
// The serial ports both windows offer: "COM1" .. "COM30".
inline constexpr int kPortCount = 30;
void fillPortList(QComboBox* list);

} // namespace quenby
