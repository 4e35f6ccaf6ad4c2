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

class QComboBox;
class QLabel;
class QPushButton;

namespace quenby {

class Program;

// What the three memory windows share. Their text panes: fixed-pitch system font, columns of
// blanks kept, top left.
void styleMemoryPane(QLabel* pane);
// A button whose click runs `handler` as a job: refused while another job waits.
QPushButton* addJobButton(Program& p, plat::NamedControls& c, QWidget* window, const char* name,
                          std::function<void()> handler);
// "Close Window", which waits for a running job (the close box does the same).
QPushButton* addCloseButton(Program& p, plat::NamedControls& c, QWidget* window, CloseAfterJob& close);

class frmPROMdata : public QWidget {
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
    void cmbDisplay_Click();
    void cmdReadPROM_Click();
    void cmdBye_Click();

    // What the report needs of the view: the window shown, and the position chosen (-1: none).
    int showReportView();
    void setPanes(const QString& read, const QString& toProgram);
    // The report of the view's model and shown size, once.
    void redraw();

    const QString& model() const { return model_; }
    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    // The view's size into promSize.
    void takeShownSize();

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmPROMdata")};
    QComboBox* cmbSize = nullptr;
    QComboBox* cmbDisplay = nullptr;
    QString model_;
    QString shownSize_;
    CloseAfterJob close_;
};

} // namespace quenby
