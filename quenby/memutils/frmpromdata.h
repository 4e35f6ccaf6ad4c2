#pragma once
// The PROM data view ("PROM Utilities"): a Mars PROM as read and as it would be programmed, two
// fixed-pitch panes of the report of imagemap.h in the view chosen from its list, the PROM size
// (locked when the limits editor opened it), "Read PROM" and "Close Window".
//
// The view keeps the model it was set up for: its read and its report are of that model and of
// the size it shows, whatever job the menu (which stays usable behind it) ran meanwhile.

#include "platform/gui/namedcontrols.h"
#include "quenby/memutils/closeafterjob.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace quenby {

class Program;

// What the three memory windows (CC EEPROM, NRI memory, PROM data) share: the model they were
// set up for, their view list, their job buttons, fixed-pitch panes, and their Close, which the
// button and the close box alike run once no job waits. Their text panes: fixed-pitch system
// font, columns of blanks kept, top left.
void styleMemoryPane(QLabel* pane);

class DataWindow : public QWidget {
public:
    virtual void cmbDisplay_Click() = 0;
    virtual void cmdBye_Click() = 0;

    const QString& model() const { return model_; }
    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

protected:
    DataWindow(Program& program, const QString& name);
    // The close box is the Close button.
    void closeEvent(QCloseEvent* e) override;

    // The list of views "cmbDisplay" at `left`; only a user's choice runs cmbDisplay_Click.
    void addViewList(int left);
    // A button whose click runs `handler` as a job: refused while another job waits.
    QPushButton* addJobButton(const char* name, std::function<void()> handler);
    // "Close Window".
    QPushButton* addCloseButton();

    Program& p_;
    plat::NamedControls c_;
    QComboBox* cmbDisplay = nullptr;
    QString model_;
    CloseAfterJob close_;
};

class frmPROMdata : public DataWindow {
public:
    explicit frmPROMdata(Program& program);

    void Form_Load();
    void setCaptions();
    // The view list for the model and the size shown, its first view chosen (nothing redrawn).
    void setupLists();
    // fromPROM 0: opened from the main window (size 1K, free to change, every segment
    // selected); else from the limits editor (its size, locked).
    void setup(int fromPROM);

    void cmbSize_Click();
    void cmbDisplay_Click() override;
    void cmdReadPROM_Click();
    void cmdBye_Click() override;

    // What the report needs of the view: the window shown, and the position chosen (-1: none).
    int showReportView();
    void setPanes(const QString& read, const QString& toProgram);
    // The report of the view's model and shown size, once.
    void redraw();

private:
    void build();
    // The view's size into promSize.
    void takeShownSize();

    QComboBox* cmbSize = nullptr;
    QString shownSize_;
};

} // namespace quenby
