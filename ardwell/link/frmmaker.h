#pragma once
// Small builders for the main window's controls: each makes a control, registers it under its
// name (and index) and gives it its design state. Labels keep their design size and clip a
// longer text, so no text (a line of noise from the box) can stretch the window.

#include "platform/gui/namedcontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace ardwell::frmui {

// The width a label keeps whatever it is given: its design caption, or more where the design
// leaves room for a longer text.
// A width the layout cannot squeeze either: a label given nothing would be drawn over its
// neighbours at its minimum width.
inline void keepDesignWidth(QLabel* l, int designWidth)
{
    const int captionWidth = l->fontMetrics().horizontalAdvance(l->text()) + 4;
    l->setFixedWidth(qMax(designWidth, captionWidth));
    l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

// Design widths of the labels whose texts change while the program runs.
constexpr int kCounterWidth = 40;
constexpr int kShortTextWidth = 60;
constexpr int kLineWidth = 240;

// Small builders that register what they make.
struct Maker {
    plat::NamedControls& c;

    QLabel* label(QWidget* parent, const QString& name, const QString& caption = {}, int index = -1,
                  int designWidth = 0)
    {
        auto* l = c.add(new QLabel(caption, parent), name, index);
        keepDesignWidth(l, designWidth);
        return l;
    }
    QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int index = -1)
    {
        return c.add(new QPushButton(caption, parent), name, index);
    }
    QCheckBox* check(QWidget* parent, const QString& name, const QString& caption, int index = -1)
    {
        return c.add(new QCheckBox(caption, parent), name, index);
    }
    QRadioButton* option(QWidget* parent, const QString& name, const QString& caption)
    {
        return c.add(new QRadioButton(caption, parent), name);
    }
    QComboBox* combo(QWidget* parent, const QString& name, bool editable = false)
    {
        auto* b = c.add(new QComboBox(parent), name);
        b->setEditable(editable);
        b->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return b;
    }
    QLineEdit* edit(QWidget* parent, const QString& name, const QString& text = {}, int index = -1)
    {
        return c.add(new QLineEdit(text, parent), name, index);
    }
    plat::Lamp* lamp(QWidget* parent, const QString& name, int index = -1,
                     plat::Lamp::Shape shape = plat::Lamp::Shape::Circle)
    {
        return c.add(new plat::Lamp(parent, shape), name, index);
    }
    QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption)
    {
        return c.add(new QGroupBox(caption, parent), name);
    }
};

inline QLabel* caption(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

} // namespace ardwell::frmui
