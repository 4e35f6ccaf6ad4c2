#include "quenby/link/frmopening.h"

#include "quenby/program.h"
#include "quenby/shell/frmmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quenby {

namespace {
constexpr int kTextChecking = 1000;
constexpr int kTextVersion = 875;
const QString kDesignStatus = QStringLiteral("Checking for Communication with the Programmer");
const QString kPortNotOpen = QStringLiteral("COM port NOT OPEN :\nSelect another Port");
const QString kChecking = QStringLiteral("COM port OPEN :\nChecking for Communication with the Programmer");
const QString kNoResponse = QStringLiteral("COM port OPEN :\nNo Response from Programmer Box");
const QString kBoxOk = QStringLiteral("COM port OPEN :\nProgrammer Box OK");
} // namespace

frmOpening::frmOpening(Program& program) : p_(program)
{
    setFixedSize(420, 300);
    c_.add(artwork(this, 10, 10, 120, 120), QStringLiteral("Image1"));
    c_.add(artwork(this, 10, 10, 120, 120), QStringLiteral("Image2"));
    c_.add(artwork(this, 140, 10, 60, 60), QStringLiteral("Picture2"));
    c_.add(artwork(this, 210, 10, 60, 60), QStringLiteral("Picture4"));
    auto* label2 = c_.add(new QLabel(QStringLiteral("Serial Port"), this), QStringLiteral("Label2"));
    label2->setGeometry(140, 80, 100, 24);
    ComboPort = c_.add(new QComboBox(this), QStringLiteral("ComboPort"));
    ComboPort->setGeometry(250, 80, 110, 24);
    LabelStatus = c_.add(new QLabel(kDesignStatus, this), QStringLiteral("LabelStatus"));
    // Room for a port that would not open: the choice asked for, then the port, its device and why.
    LabelStatus->setGeometry(10, 140, 400, 110);
    LabelStatus->setWordWrap(true);
    LabelStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* retry = c_.add(new QPushButton(QStringLiteral("Retry"), this), QStringLiteral("cmdRetry"));
    retry->setGeometry(100, 260, 100, 30);
    auto* cancel = c_.add(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    cancel->setGeometry(220, 260, 100, 30);

    QObject::connect(retry, &QPushButton::clicked, this, [this] {
        p_.guard.handle(QStringLiteral("frmOpening.cmdRetry_Click : "), [this] { cmdRetry_Click(); });
    });
    QObject::connect(cancel, &QPushButton::clicked, this, [this] {
        p_.guard.handle(QStringLiteral("frmOpening.cmdCancel_Click : "), [this] { cmdCancel_Click(); });
    });
    // Only the user's choice counts; setting the entry from code is not a click here.
    QObject::connect(ComboPort, &QComboBox::activated, this, [this] {
        p_.guard.handle(QStringLiteral("frmOpening.ComboPort_Click : "), [this] { ComboPort_Click(); });
    });
}

void frmOpening::setButtons(bool on)
{
    c_.setEnabled(QStringLiteral("cmdRetry"), on);
    c_.setEnabled(QStringLiteral("cmdCancel"), on);
}

void frmOpening::setStatus(const QString& text) { LabelStatus->setText(text); }

int frmOpening::chosenPort() const
{
    const int i = ComboPort->currentIndex();
    return i < 0 ? 1 : i + 1;
}

void frmOpening::updateStatusLabel()
{
    QString first;
    try {
        first = p_.texts.getText(kTextChecking);
    } catch (const std::exception&) {
    }
    if (first.isEmpty())
        first = LabelStatus->text().section('\n', 0, 0);
    QString version;
    try {
        version = p_.texts.getText(kTextVersion);
    } catch (const std::exception&) {
    }
    setStatus(first + "\n\n" + version + " : " + p_.versionText);
}

void frmOpening::Form_Load()
{
    plat::HandlerScope scope(p_.guard.depth());
    setButtons(false);
    updateStatusLabel();
    fillPortList(ComboPort);
    if (p_.comPortNumber < 1 || p_.comPortNumber > kPortCount)
        p_.comPortNumber = 1;
    ComboPort->setCurrentIndex(p_.comPortNumber - 1);
    setWindowTitle(QStringLiteral("Quenby"));
    c_.setVisible(QStringLiteral("Image1"), true);
    for (const char* hidden : {"Image2", "Picture2", "Picture4"})
        c_.setVisible(QString::fromLatin1(hidden), false);
    show();
    p_.boxFound = false;
    p_.link.forgetPortOpen();
    tryConnect();
    if (p_.state.portOpen && p_.boxFound)
        hide();
}

void frmOpening::tryConnect()
{
    setButtons(false);
    if (!p_.state.portOpen) {
        if (!p_.check.openChosenPort(chosenPort())) {
            // The port, its device and why, below the choice it asks for.
            setStatus(kPortNotOpen + QStringLiteral("\n\n") + p_.link.openFailureText(chosenPort()));
            setButtons(true);
            return;
        }
    }
    // No verdict before the box has had its chance to answer.
    setStatus(kChecking);
    p_.check.resetBoxLink();
    p_.boxFound = p_.check.checkBoxResponds();
    if (p_.boxFound) {
        setStatus(kBoxOk);
        return;
    }
    setStatus(kNoResponse);
    // The port may have gone away during the check (the box hung up): say so, not "OPEN".
    if (!p_.state.portOpen)
        setStatus(kPortNotOpen);
    else if (p_.check.foreignDevice())
        setStatus(QStringLiteral("COM port OPEN :\n") + p_.check.foreignDeviceText());
    setButtons(true);
}

void frmOpening::cmdRetry_Click()
{
    setStatus({});
    p_.boxFound = false;
    p_.link.forgetPortOpen();
    tryConnect();
    if (p_.state.portOpen && p_.boxFound) {
        p_.mainForm().show();
        p_.unloadOpening();
    }
}

void frmOpening::cmdCancel_Click()
{
    Form_Unload();
    p_.requestExit();
}

void frmOpening::ComboPort_Click()
{
    p_.link.closePort();
    p_.mainForm().showPortChoice(ComboPort->currentIndex());
    p_.mainForm().writeConfig(ComboPort->currentIndex() + 1, p_.texts.languageName);
}

void frmOpening::Form_Unload()
{
    if (p_.boxFound)
        return;
    p_.requestExit(); // closes the port and the main window on its way
}

void frmOpening::closeEvent(QCloseEvent* e)
{
    if (p_.boxFound) {
        e->accept();
        return;
    }
    e->ignore();
    p_.guard.handle(QStringLiteral("frmOpening.Form_Unload : "), [this] { Form_Unload(); });
}

} // namespace quenby
