#include "platform/gui/qtdialogs.h"

#include "platform/gui/captionfit.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace plat {

namespace {

struct ButtonDef {
    QMessageBox::StandardButton qt;
    int result;
};

std::vector<ButtonDef> buttonsFor(int style)
{
    switch (mb::buttonsOf(style)) {
    case mb::OKCancel:
        return {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}};
    case mb::AbortRetryIgnore:
        return {{QMessageBox::Abort, mb::Abort}, {QMessageBox::Retry, mb::Retry}, {QMessageBox::Ignore, mb::Ignore}};
    case mb::YesNoCancel:
        return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, mb::Cancel}};
    case mb::YesNo:
        return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
    case mb::RetryCancel:
        return {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}};
    default:
        return {{QMessageBox::Ok, mb::OK}};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (mb::iconOf(style)) {
    case mb::Critical:
        return QMessageBox::Critical;
    case mb::Question:
        return QMessageBox::Question;
    case mb::Exclamation:
        return QMessageBox::Warning;
    case mb::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QWidget* dialogParent()
{
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

QString convertPatterns(QString patterns)
{
    // Classic pattern lists are separated by ';'; "*.*" means every file.
    QStringList out;
    for (QString p : patterns.split(u';', Qt::SkipEmptyParts)) {
        p = p.trimmed();
        out << (p == u"*.*" ? QStringLiteral("*") : p);
    }
    return out.join(u' ');
}

} // namespace

QString qtFileFilter(const QString& classic)
{
    if (classic.trimmed().isEmpty())
        return {};
    const QStringList parts = classic.split(u'|');
    if (parts.size() == 1)
        return convertPatterns(parts[0]);
    QStringList filters;
    for (int k = 0; k + 1 < parts.size(); k += 2) {
        QString desc = parts[k].trimmed();
        const QString pats = convertPatterns(parts[k + 1]);
        // Qt reads the patterns from the parentheses of the description.
        const int open = int(desc.lastIndexOf(u'('));
        if (open >= 0 && desc.endsWith(u')'))
            desc = desc.left(open).trimmed();
        filters << (desc.isEmpty() ? pats : QStringLiteral("%1 (%2)").arg(desc, pats));
    }
    return filters.join(QStringLiteral(";;"));
}

int closeBoxResult(int style)
{
    switch (mb::buttonsOf(style)) {
    case mb::OKCancel:
    case mb::YesNoCancel:
    case mb::RetryCancel:
        return mb::Cancel;
    case mb::YesNo:
        return mb::No;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    default:
        return mb::OK;
    }
}

int QtDialogs::msgBox(const QString& text, int style, const QString& title)
{
    QMessageBox box(iconFor(style), shownText(title), shownText(text), QMessageBox::NoButton, dialogParent());
    box.setTextFormat(Qt::PlainText); // texts such as "<5" are not markup
    const auto defs = buttonsFor(style);
    std::vector<QAbstractButton*> buttons;
    QAbstractButton* escape = nullptr;
    const int closeResult = closeBoxResult(style);
    for (const auto& d : defs) {
        buttons.push_back(box.addButton(d.qt));
        if (d.result == closeResult)
            escape = buttons.back();
    }
    const int defIndex = (style & mb::DefButton3) ? 2 : (style & mb::DefButton2) ? 1 : 0;
    if (defIndex < int(buttons.size()))
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons[std::size_t(defIndex)]));
    if (escape)
        box.setEscapeButton(escape);
    if (style & mb::SystemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t k = 0; k < buttons.size(); ++k) {
        if (buttons[k] == clicked)
            return defs[k].result;
    }
    return closeResult;
}

QString QtDialogs::openFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    return QFileDialog::getOpenFileName(dialogParent(), title, initialDir, qtFileFilter(filter));
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    // The caller warns before overwriting, as the programs always have.
    return QFileDialog::getSaveFileName(dialogParent(), title, initialDir, qtFileFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace plat
