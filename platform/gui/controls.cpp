#include "platform/gui/controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QRadioButton>
#include <QTextEdit>

#include <cmath>

namespace plat {

namespace {

const char* const kBackColorProperty = "plat_backColor";

QColor systemColor(int index)
{
    const QPalette pal = QApplication::palette();
    switch (index) {
    case 1:
    case 12:
        return pal.color(QPalette::Dark);
    case 2:
    case 13:
        return pal.color(QPalette::Highlight);
    case 3:
        return pal.color(QPalette::Mid);
    case 5:
        return pal.color(QPalette::Base);
    case 6:
    case 21:
        return pal.color(QPalette::Shadow);
    case 7:
    case 19:
        return pal.color(QPalette::WindowText);
    case 8:
        return pal.color(QPalette::Text);
    case 9:
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 0:
    case 10:
    case 11:
    case 15:
        return pal.color(QPalette::Button);
    case 16:
        return pal.color(QPalette::Dark);
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return pal.color(QPalette::ButtonText);
    case 20:
        return pal.color(QPalette::Light);
    case 22:
        return pal.color(QPalette::Midlight);
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Window);
    }
}

// Black or white, whichever reads better on c (by the contrast of their relative luminances).
QColor readableTextOn(const QColor& c)
{
    const auto linear = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const qreal l = 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    const qreal onWhite = 1.05 / (l + 0.05);
    const qreal onBlack = (l + 0.05) / 0.05;
    return onWhite > onBlack ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

QColor colorFromBgr(quint32 value)
{
    if (value & 0x80000000u)
        return systemColor(int(value & 0xFF));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 bgrFromColor(const QColor& c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

void setBackColor(QWidget* w, quint32 value)
{
    if (!w)
        return;
    w->setProperty(kBackColorProperty, QVariant::fromValue<uint>(value));
    const QColor c = colorFromBgr(value);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
    // A caption stays readable on any colour given; on a system colour it keeps the system's.
    const QPalette system = QApplication::palette(w);
    const QColor text = value & 0x80000000u ? QColor() : readableTextOn(c);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, role,
                         text.isValid() && group != QPalette::Disabled ? text : system.color(group, role));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

quint32 backColor(const QWidget* w)
{
    if (!w)
        return sysColor::ButtonFace;
    const QVariant v = w->property(kBackColorProperty);
    if (v.isValid())
        return v.toUInt();
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QListWidget*>(w)
        || qobject_cast<const QComboBox*>(w))
        return sysColor::WindowBackground;
    return sysColor::ButtonFace;
}

Lamp::Lamp(QWidget* parent, Shape shape) : QWidget(parent), shape_(shape) {}

void Lamp::setShape(Shape s)
{
    shape_ = s;
    update();
}

void Lamp::setFillColor(quint32 bgr)
{
    fill_ = bgr;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colorFromBgr(fill_));
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (shape_ == Shape::Circle) {
        const qreal d = qMin(r.width(), r.height());
        p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    } else {
        p.drawRect(r);
    }
}

int checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setCheckValue(QCheckBox* box, int value)
{
    switch (value) {
    case 0:
        box->setCheckState(Qt::Unchecked);
        break;
    case 1:
        box->setCheckState(Qt::Checked);
        break;
    case 2:
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        throw RuntimeError(380, "Invalid property value");
    }
}

void onClick(QRadioButton* opt, std::function<void()> fn)
{
    QObject::connect(opt, &QRadioButton::toggled, opt, [fn = std::move(fn)](bool on) {
        if (on)
            fn();
    });
}

void onClick(QCheckBox* box, std::function<void()> fn)
{
    QObject::connect(box, &QCheckBox::stateChanged, box, [fn = std::move(fn)](int) { fn(); });
}

namespace {

// The given context, or the registered names of the control and of its window.
QString clickContext(const QWidget* control, const QString& context)
{
    if (!context.isEmpty())
        return context;
    return QStringLiteral("%1.%2_Click : ").arg(control->property("ctlWindow").toString(), control->objectName());
}

std::function<void()> guarded(JobGuard& guard, const QWidget* control, std::function<void()> handler,
                              const QString& context)
{
    return [&guard, context = clickContext(control, context), handler = std::move(handler)] {
        guard.handle(context, handler);
    };
}

std::function<void()> guarded(JobGuard& guard, const QWidget* control, Job job, const QString& context)
{
    return [&guard, context = clickContext(control, context), job = std::move(job)] {
        guard.handleJob(context, job.run, job.refused);
    };
}

} // namespace

void onClick(JobGuard& guard, QAbstractButton* control, std::function<void()> handler, const QString& context)
{
    QObject::connect(control, &QAbstractButton::clicked, control, guarded(guard, control, std::move(handler), context));
}

void onClick(JobGuard& guard, QAbstractButton* control, Job job, const QString& context)
{
    QObject::connect(control, &QAbstractButton::clicked, control, guarded(guard, control, std::move(job), context));
}

void onClick(JobGuard& guard, QComboBox* list, std::function<void()> handler, const QString& context)
{
    QObject::connect(list, &QComboBox::activated, list, guarded(guard, list, std::move(handler), context));
}

void onClick(JobGuard& guard, QComboBox* list, Job job, const QString& context)
{
    QObject::connect(list, &QComboBox::activated, list, guarded(guard, list, std::move(job), context));
}

void onSet(JobGuard& guard, QRadioButton* option, std::function<void()> handler, const QString& context)
{
    onClick(option, guarded(guard, option, std::move(handler), context));
}

void onSet(JobGuard& guard, QRadioButton* option, Job job, const QString& context)
{
    onClick(option, guarded(guard, option, std::move(job), context));
}

void onSet(JobGuard& guard, QCheckBox* box, std::function<void()> handler, const QString& context)
{
    onClick(box, guarded(guard, box, std::move(handler), context));
}

void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void setOptionValue(QRadioButton* opt, bool on)
{
    if (on || !opt->isChecked()) {
        opt->setChecked(on);
        return;
    }
    const bool exclusive = opt->autoExclusive();
    opt->setAutoExclusive(false);
    opt->setChecked(false);
    opt->setAutoExclusive(exclusive);
}

} // namespace plat
