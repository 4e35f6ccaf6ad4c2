#include "quenby/memutils/frmprogramming.h"

#include "quenby/program.h"

#include <QLabel>
#include <QProgressBar>

namespace quenby {

namespace {
constexpr int kTextTitle = 1100;
constexpr int kTextSegment = 1101;
} // namespace

frmProgramming::frmProgramming(Program& program) : p_(program)
{
    setFixedSize(420, 150);
    setWindowTitle(QStringLiteral("Programming"));
    c_.add(this, QStringLiteral("frmProgramming"));
    auto* title = c_.add(new QLabel(QStringLiteral("PROM PROGRAMMING IN PROGRESS"), this), QStringLiteral("lblTitle"));
    title->setGeometry(10, 10, 400, 30);
    title->setAlignment(Qt::AlignCenter);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 4);
    f.setBold(true);
    title->setFont(f);
    c_.add(new QLabel(QStringLiteral("Segment"), this), QStringLiteral("lblSeg"))->setGeometry(150, 50, 70, 24);
    c_.add(new QLabel(this), QStringLiteral("lblSegment"))->setGeometry(230, 50, 40, 24);
    auto* bar = c_.add(new QProgressBar(this), QStringLiteral("prgProg"));
    bar->setGeometry(10, 90, 400, 24);
    bar->setRange(0, plat::ProgressSink::kSteps);
    bar->setValue(0);
    Form_Load();
}

void frmProgramming::Form_Load() { setCaptions(); }

void frmProgramming::setCaptions()
{
    c_.setText(QStringLiteral("lblTitle"), p_.texts.getText(kTextTitle));
    c_.setText(QStringLiteral("lblSeg"), p_.texts.getText(kTextSegment));
}

void ProgrammingWindow::setCaption(const QString& caption) { view().setText(QStringLiteral("frmProgramming"), caption); }
void ProgrammingWindow::setTitle(const QString& title) { view().setText(QStringLiteral("lblTitle"), title); }

void ProgrammingWindow::showSegment(bool visible)
{
    view().setVisible(QStringLiteral("lblSeg"), visible);
    view().setVisible(QStringLiteral("lblSegment"), visible);
}

void ProgrammingWindow::setSegment(const QString& number) { view().setText(QStringLiteral("lblSegment"), number); }
void ProgrammingWindow::showStep(int step) { view().setValue(QStringLiteral("prgProg"), step); }
void ProgrammingWindow::show() { slot_.get().show(); }

void ProgrammingWindow::hide()
{
    // Hiding a window that is not loaded would load it for nothing.
    if (frmProgramming* f = slot_.ifLoaded())
        f->hide();
}

void ProgrammingWindow::unload() { slot_.unload(); }

} // namespace quenby
