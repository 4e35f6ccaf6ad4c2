#pragma once
// The second program's one window: main selection, configuration (model and port), the panels
// that the jobs show one at a time, the lamps the parser and the timers drive, and the window's
// life from start-up to shut-down.
//
// Controls are reached by name (and index, for control arrays) through View, which is how the
// link and bench code see them. A control the window does not have reads as empty, 0, visible
// and enabled, and remembers what is set on it.
//
// Jobs that wait for the box run through runJob(): while one runs, another job is refused, and
// "EXIT" or the close box are put off until it returns, so nothing unloads the window under it.

#include "ardwell/bench/models.h"
#include "ardwell/link/view.h"
#include "platform/gui/controls.h"
#include "platform/services.h"
#include "platform/timer.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ardwell {

class Link;
struct LinkState;

// "V" & major & "." & minor & revision: 3.0.0 gives "V3.00".
QString versionText(int major, int minor, int revision);

class frmMain : public QWidget, public View {
    Q_OBJECT
public:
    static constexpr int kVersionMajor = 3;
    static constexpr int kVersionMinor = 0;
    static constexpr int kVersionRevision = 0;

    frmMain(const plat::Services& services, LinkState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    // Must be called once, before Form_Load.
    void attachLink(Link* link) { link_ = link; }

    // ---- View ----
    void setText(const QString& control, const QString& text, int index = -1) override;
    QString text(const QString& control, int index = -1) const override;
    void setFill(const QString& shape, quint32 bgr, int index = -1) override;
    quint32 fill(const QString& shape, int index = -1) const override;
    void setVisible(const QString& control, bool on, int index = -1) override;
    bool isVisible(const QString& control, int index = -1) const override;
    void setEnabled(const QString& control, bool on, int index = -1) override;
    bool isEnabled(const QString& control, int index = -1) const override;
    void setValue(const QString& control, int value, int index = -1) override;
    int value(const QString& control, int index = -1) const override;
    using QWidget::isEnabled;
    using QWidget::isVisible;
    using QWidget::setEnabled;
    using QWidget::setVisible;

    // The widget behind a name (nullptr when the window has none); for tests and later panels.
    QWidget* control(const QString& name, int index = -1) const;

    // ---- Start-up and shut-down ----
    // commandLine: the arguments after the program name, joined by blanks.
    void Form_Load(const QString& commandLine = {});
    void cmbPort_Click();
    // "EXIT": shut down now, or as soon as a running job has returned.
    void cmdExit_Click();
    // The close box; the same as "EXIT".
    void requestClose();
    void Form_Unload();
    void ExitAndWrite();
    void cmdExitProgramme_Click();

    // The programme job's steps that ExitAndWrite runs when the user agrees to write.
    std::function<void()> readMechSerialNumber;
    std::function<void(bool)> enableProgrammeControls;
    std::function<void()> cmdProg_Click;

    // The job buttons run these through runJob().
    std::function<void()> programmeJob;
    std::function<void()> adjustJob;
    std::function<void()> testJob;
    void cmdProgramme_Click();
    void cmdAdjust_Click();
    void cmdTest_Click();

    // Runs job unless another is running or the program is ending (then returns false). An exit
    // asked for meanwhile runs when the job has returned.
    bool runJob(const std::function<void()>& job);
    bool jobRunning() const { return jobRunning_; }
    bool exitPending() const { return exitPending_; }

    // ---- Model selection and lists ----
    Model currentModel() const;
    void opt126_Click();
    void opt330_Click();
    void opt340_Click();
    void opt560_Click();
    void optPCA_Click();
    void buildLists();
    void calcBinary();

    // ---- Timers and lamps ----
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer5_Timer();
    void resetLamps();
    void clearCountLabels();
    plat::Timer& timer1() { return timer1_; }
    plat::Timer& timer2() { return timer2_; }
    plat::Timer& timer5() { return timer5_; }

    bool formLoading() const { return formLoading_; }
    // The first command-line word was the trace word (it changes nothing the user sees).
    bool traceWordGiven() const { return traceWordGiven_; }

    // Coin channels shown and raw values per coin reading.
    int channelCount = 16;
    int parameterCount = 7;
    QString windowTitleText() const { return windowTitle_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildControls();
    void reg(QWidget* w, const QString& name, int index = -1);
    QWidget* find(const QString& name, int index) const;
    static QString key(const QString& name, int index);
    void modelChosen(Model m);
    // Runs fn; a std::exception goes to the common error box with this context, and the caller
    // goes on (plat::ProgramEnded is not one and passes through).
    void trap(const QString& context, const std::function<void()>& fn);
    void showError(const QString& context, const std::exception& e);
    void shutDown();

    plat::Services svc_;
    LinkState& st_;
    Link* link_ = nullptr;

    QHash<QString, QWidget*> controls_;
    MemoryView missing_; // what is set on controls the window does not have

    plat::Timer timer1_;
    plat::Timer timer2_;
    plat::Timer timer5_;

    QString windowTitle_ = QStringLiteral("Ardwell");
    bool formLoading_ = false;
    bool jobRunning_ = false;
    bool exitPending_ = false;
    bool exiting_ = false;
    bool traceWordGiven_ = false;
};

} // namespace ardwell
