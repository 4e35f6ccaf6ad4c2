#include "quenby/link/frmopening.h"

#include "quenby/program.h"
#include "quenby/shell/frmmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quenby {

namespace {
constexpr int kPortCount = 30;
constexpr int kTextChecking = 1000;
constexpr int kTextVersion = 875;
const QString kDesignStatus = QStringLiteral("Checking for Communication with the Programmer");

QLabel* picture(QWidget* parent, int x, int y, int w, int h)
{
    auto* l = new QLabel(parent);
    l->setGeometry(x, y, w, h);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
}
} // namespace

frmOpening::frmOpening(Program& program) : p_(program)
{
    setFixedSize(420, 260);
    Image1 = picture(this, 10, 10, 120, 120);
    Image2 = picture(this, 10, 10, 120, 120);
    Picture2 = picture(this, 140, 10, 60, 60);
    Picture4 = picture(this, 210, 10, 60, 60);
    Label2 = new QLabel(QStringLiteral("Serial Port"), this);
    Label2->setGeometry(140, 80, 100, 24);
    ComboPort = new QComboBox(this);
    ComboPort->setGeometry(250, 80, 110, 24);
    LabelStatus = new QLabel(kDesignStatus, this);
    LabelStatus->setGeometry(10, 140, 400, 70);
    LabelStatus->setWordWrap(true);
    LabelStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdRetry = new QPushButton(QStringLiteral("Retry"), this);
    cmdRetry->setGeometry(100, 220, 100, 30);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setGeometry(220, 220, 100, 30);

    QObject::connect(cmdRetry, &QPushButton::clicked, this, [this] { p_.handle([this] { cmdRetry_Click(); }); });
    QObject::connect(cmdCancel, &QPushButton::clicked, this, [this] { p_.handle([this] { cmdCancel_Click(); }); });
    // Only the user's choice counts; setting the entry from code is not a click here.
    QObject::connect(ComboPort, &QComboBox::activated, this, [this] { p_.handle([this] { ComboPort_Click(); }); });
}

void frmOpening::setButtons(bool on)
{
    cmdRetry->setEnabled(on);
    cmdCancel->setEnabled(on);
}

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
    LabelStatus->setText(first + "\n\n" + version + " : " + p_.versionText);
}

void frmOpening::Form_Load()
{
    plat::HandlerScope scope(p_.handlers);
    setButtons(false);
    updateStatusLabel();
    ComboPort->clear();
    for (int n = 1; n <= kPortCount; ++n)
        ComboPort->addItem(QStringLiteral("COM%1").arg(n));
    if (p_.comPortNumber < 1 || p_.comPortNumber > kPortCount)
        p_.comPortNumber = 1;
    ComboPort->setCurrentIndex(p_.comPortNumber - 1);
    setWindowTitle(QStringLiteral("Quenby"));
    Image1->setVisible(true);
    Image2->setVisible(false);
    Picture2->setVisible(false);
    Picture4->setVisible(false);
    show();
    p_.boxFound = false;
    p_.link.portOpen = false;
    tryConnect();
    if (p_.link.portOpen && p_.boxFound)
        hide();
}

void frmOpening::tryConnect()
{
    setButtons(false);
    if (!p_.link.portOpen) {
        p_.link.portOpen = p_.check.openChosenPort(chosenPort());
        if (!p_.link.portOpen) {
            LabelStatus->setText(QStringLiteral("COM port NOT OPEN :\nSelect another Port"));
            setButtons(true);
            return;
        }
    }
    LabelStatus->setText(QStringLiteral("COM port OPEN :\nNo Response from Programmer Box"));
    p_.check.resetBoxLink();
    p_.boxFound = p_.check.checkBoxResponds();
    if (p_.boxFound)
        LabelStatus->setText(QStringLiteral("COM port OPEN :\nProgrammer Box OK"));
    else
        setButtons(true);
}

void frmOpening::cmdRetry_Click()
{
    LabelStatus->clear();
    p_.boxFound = false;
    p_.link.portOpen = false;
    tryConnect();
    if (p_.link.portOpen && p_.boxFound) {
        p_.mainForm().show();
        p_.unloadOpening();
    }
}

void frmOpening::cmdCancel_Click()
{
    Form_Unload();
    p_.endProgram(0);
}

void frmOpening::ComboPort_Click()
{
    if (p_.port && p_.port->isOpen())
        p_.port->close();
    p_.mainForm().ComboPort->setCurrentIndex(ComboPort->currentIndex());
    p_.link.portOpen = false;
    p_.mainForm().writeConfig(ComboPort->currentIndex() + 1, p_.texts.languageName);
}

void frmOpening::Form_Unload()
{
    if (p_.boxFound)
        return;
    p_.endProgram(0); // closes the port and the main window on its way
}

void frmOpening::closeEvent(QCloseEvent* e)
{
    if (p_.boxFound) {
        e->accept();
        return;
    }
    e->ignore();
    p_.later([&p = p_] {
        if (!p.boxFound)
            p.endProgram(0);
    });
}

} // namespace quenby
