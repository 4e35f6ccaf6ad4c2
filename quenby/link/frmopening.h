#pragma once
// The start-up window: opens the chosen COM port, resets the programmer box and checks that it
// answers, offering Retry and Cancel until it does.

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

    QComboBox* ComboPort = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* LabelStatus = nullptr;
    QPushButton* cmdRetry = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Picture2 = nullptr;
    QLabel* Picture4 = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void setButtons(bool on);
    int chosenPort() const;

    Program& p_;
};

} // namespace quenby
