#pragma once
// The first program's main window: its start-up sequence, the family tabs with their model lists
// and job buttons, the settings frame and the countdown timers.

#include "platform/timer.h"

#include <QWidget>
#include <functional>

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
    void setCaptions();
    void writeConfig(int port, const QString& language);

    void cmdConfig_Click();
    void cmdCancConfig_Click();
    void cmdSaveConfig_Click();
    void cmdExit_Click();

    QTabWidget* tabManufacturer = nullptr;
    QComboBox* cmbMarsMech = nullptr;
    QComboBox* cmbCCmech = nullptr;
    QComboBox* cmbNRImech = nullptr;
    QPushButton* cmdMars = nullptr;
    QPushButton* cmdValtest = nullptr;
    QPushButton* cmdPROMutilities = nullptr;
    QPushButton* cmdCCprog = nullptr;
    QPushButton* cmdCCValTest = nullptr;
    QPushButton* cmdCCprom = nullptr;
    QPushButton* cmdNRIprog = nullptr;
    QPushButton* cmdNRIvaltest = nullptr;
    QPushButton* cmdNRIprom = nullptr;

    QGroupBox* frmConfig = nullptr;
    QComboBox* ComboPort = nullptr;
    QComboBox* cmbLanguage = nullptr;
    QPushButton* cmdSaveConfig = nullptr;
    QPushButton* cmdCancConfig = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblSerialPort = nullptr;

    QPushButton* cmdConfig = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblProgrammer = nullptr;
    QLabel* LabelTitle = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Picture2 = nullptr;
    QLabel* Picture3 = nullptr;
    QLabel* Picture4 = nullptr;
    QLabel* Image1 = nullptr;

    plat::Timer Timer1;
    plat::Timer Timer2; // its handler belongs to the validator test

    // The job buttons' handlers, filled by the jobs as they are built.
    std::function<void()> cmdMars_Click, cmdValtest_Click, cmdPROMutilities_Click;
    std::function<void()> cmdCCprog_Click, cmdCCValTest_Click, cmdCCprom_Click;
    std::function<void()> cmdNRIprog_Click, cmdNRIvaltest_Click, cmdNRIprom_Click;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void connectButton(QPushButton* b, std::function<void()> fn);
    void connectJob(QPushButton* b, std::function<void()>* handler);
    void fillMechLists();
    void trap(int textId, const std::function<void()>& fn);

    Program& p_;
};

} // namespace quenby
