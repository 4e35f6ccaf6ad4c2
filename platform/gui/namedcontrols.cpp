#include "platform/gui/namedcontrols.h"

#include "platform/gui/captionfit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QTextEdit>

namespace plat {

void NamedControls::addWidget(QWidget* w, const QString& name, int index)
{
    auto& slot = controls_[name][index];
    if (!slot.isNull())
        qCCritical(lcControls, "control %s(%d) registered twice in %s", qPrintable(name), index,
                   qPrintable(window_));
    slot = w;
    if (!w->isWindow())
        w->setObjectName(name);
    w->setProperty("ctlWindow", window_); // the first part of its handlers' context
    if (index >= 0)
        w->setProperty("ctlIndex", index);
    keepCaptionFitted(w);
}

bool NamedControls::has(const QString& name, int index) const
{
    auto it = controls_.find(name);
    if (it == controls_.end())
        return false;
    auto jt = it->second.find(index);
    return jt != it->second.end() && !jt->second.isNull();
}

QWidget* NamedControls::widget(const QString& name, int index) const
{
    if (!has(name, index)) {
        reportUnknownControl(window_, name, index);
        return nullptr;
    }
    return controls_.at(name).at(index).data();
}

ControlNames NamedControls::names() const
{
    ControlNames out;
    for (const auto& [name, items] : controls_)
        for (const auto& [i, w] : items)
            if (!w.isNull())
                out.add(name, i);
    return out;
}

void NamedControls::unsupported(const QString& what, const QString& control, int index) const
{
    qCCritical(lcControls, "%s is not a property of %s(%d) in %s", qPrintable(what), qPrintable(control), index,
               qPrintable(window_));
}

namespace {

// A text too long to show is shown cut (see kLongestShownText); the whole of it stays with the
// control, so the program reads back what it set.
const char* const kWholeText = "ctlWholeText";

QString holdWhole(QWidget* w, const QString& text)
{
    const QString shown = shownText(text);
    w->setProperty(kWholeText, shown.size() < text.size() ? QVariant(text) : QVariant());
    return shown;
}

QString wholeOf(const QWidget* w, const QString& shown)
{
    const QVariant whole = w->property(kWholeText);
    if (whole.isValid() && shown.size() == kLongestShownText && shownText(whole.toString()) == shown)
        return whole.toString();
    return shown;
}

} // namespace

void NamedControls::setText(const QString& control, const QString& text, int index)
{
    QWidget* w = widget(control, index);
    if (!w)
        return;
    if (w->isWindow())
        return w->setWindowTitle(holdWhole(w, text));
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(holdWhole(w, text));
        return fitCaption(l);
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(holdWhole(w, text));
        return fitCaption(b);
    }
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->setText(text);
    if (auto* e = qobject_cast<QTextEdit*>(w))
        return e->setPlainText(text);
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->setTitle(holdWhole(w, text));
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        // Its items are held as shown.
        const int i = c->findText(shownText(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i >= 0)
            c->setCurrentIndex(i);
        else if (c->isEditable())
            c->setEditText(text);
        // A fixed list keeps its choice when given a text it does not hold.
        return;
    }
    unsupported(QStringLiteral("Text"), control, index);
}

QString NamedControls::text(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    if (!w)
        return {};
    if (w->isWindow())
        return wholeOf(w, w->windowTitle());
    if (auto* l = qobject_cast<QLabel*>(w))
        return wholeOf(w, l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return wholeOf(w, b->text());
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* e = qobject_cast<QTextEdit*>(w))
        return e->toPlainText();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return wholeOf(w, g->title());
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    unsupported(QStringLiteral("Text"), control, index);
    return {};
}

void NamedControls::setFill(const QString& shape, quint32 bgr, int index)
{
    QWidget* w = widget(shape, index);
    if (!w)
        return;
    if (auto* l = qobject_cast<Lamp*>(w))
        return l->setFillColor(bgr);
    unsupported(QStringLiteral("FillColor"), shape, index);
}

quint32 NamedControls::fill(const QString& shape, int index) const
{
    QWidget* w = widget(shape, index);
    if (!w)
        return 0;
    if (auto* l = qobject_cast<Lamp*>(w))
        return l->fillColor();
    unsupported(QStringLiteral("FillColor"), shape, index);
    return 0;
}

void NamedControls::setBackColor(const QString& control, quint32 bgr, int index)
{
    if (QWidget* w = widget(control, index))
        plat::setBackColor(w, bgr);
}

quint32 NamedControls::backColor(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    return w ? plat::backColor(w) : 0;
}

void NamedControls::setVisible(const QString& control, bool on, int index)
{
    if (QWidget* w = widget(control, index))
        w->setVisible(on);
}

bool NamedControls::isVisible(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    if (!w)
        return false;
    if (w->isWindow())
        return w->isVisible();
    return !w->isHidden();
}

void NamedControls::setEnabled(const QString& control, bool on, int index)
{
    if (QWidget* w = widget(control, index))
        w->setEnabled(on);
}

bool NamedControls::isEnabled(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    return w && !w->testAttribute(Qt::WA_ForceDisabled);
}

void NamedControls::setValue(const QString& control, int value, int index)
{
    QWidget* w = widget(control, index);
    if (!w)
        return;
    if (auto* o = qobject_cast<QRadioButton*>(w))
        return setOptionValue(o, value != 0);
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return setCheckValue(c, value);
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->setCurrentIndex(value);
    if (auto* l = qobject_cast<QListWidget*>(w))
        return l->setCurrentRow(value);
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->setValue(value);
    unsupported(QStringLiteral("Value"), control, index);
}

int NamedControls::value(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    if (!w)
        return 0;
    if (auto* o = qobject_cast<QRadioButton*>(w))
        return o->isChecked() ? 1 : 0;
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return checkValue(c);
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentIndex();
    if (auto* l = qobject_cast<QListWidget*>(w))
        return l->currentRow();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->value();
    unsupported(QStringLiteral("Value"), control, index);
    return 0;
}

void NamedControls::setItems(const QString& control, const QStringList& items, int index)
{
    QWidget* w = widget(control, index);
    if (!w)
        return;
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        // Filling a list from code runs no click: the signals stay quiet while it changes.
        const bool blocked = c->blockSignals(true);
        c->clear();
        for (const QString& item : items)
            c->addItem(shownText(item));
        c->blockSignals(blocked);
        return;
    }
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        const bool blocked = l->blockSignals(true);
        l->clear();
        for (const QString& item : items)
            l->addItem(shownText(item));
        l->blockSignals(blocked);
        return;
    }
    unsupported(QStringLiteral("List"), control, index);
}

QStringList NamedControls::items(const QString& control, int index) const
{
    QWidget* w = widget(control, index);
    QStringList out;
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
    } else if (auto* l = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
    } else if (w) {
        unsupported(QStringLiteral("List"), control, index);
    }
    return out;
}

} // namespace plat
