#pragma once
// The start-up window: opens the chosen COM port, resets the programmer box and checks that it
// answers, offering Retry and Cancel until it does. Other code reaches its controls by name
// through controls().

#include "platform/gui/namedcontrols.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace quenby {

class Program;

class frmOpening : public QWidget {
public:
    explicit frmOpening(Program& program);

    // Fills the port list and makes the first attempt; leaves the screen when the box is found.
    void Form_Load();
    void tryConnect();
    void updateStatusLabel();
    void cmdRetry_Click();
    void cmdCancel_Click();
    void ComboPort_Click();
    // Ends the program unless the box was found.
    void Form_Unload();

    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void setButtons(bool on);
    int chosenPort() const;
    void setStatus(const QString& text);

    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmOpening")};
    QComboBox* ComboPort = nullptr;
    QLabel* LabelStatus = nullptr;
};

} // namespace quenby
