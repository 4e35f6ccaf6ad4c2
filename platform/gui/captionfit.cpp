#include "platform/gui/captionfit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPointer>

namespace plat {

namespace {

// What the window gave the control, and what fitting made of it: a geometry or font that is no
// longer the fitted one was set anew by the window and becomes the design.
const char* const kDesignRect = "plat_captionDesignRect";
const char* const kFittedRect = "plat_captionFittedRect";
const char* const kDesignFont = "plat_captionDesignFont";
const char* const kFittedFont = "plat_captionFittedFont";
const char* const kFitting = "plat_captionFitting";
const char* const kKept = "plat_captionKept";

constexpr qreal kSmallestPointSize = 6.0;

bool isCaptionControl(const QWidget* w)
{
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w);
}

bool holds(const QLayout* l, const QWidget* w)
{
    for (int i = 0; i < l->count(); ++i) {
        QLayoutItem* item = l->itemAt(i);
        if (item->widget() == w || (item->layout() && holds(item->layout(), w)))
            return true;
    }
    return false;
}

bool placedByLayout(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    return parent && parent->layout() && holds(parent->layout(), w);
}

// The room the caption needs at the control's present width.
QSize needed(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLabel*>(w); l && l->wordWrap())
        return {0, l->heightForWidth(w->width())};
    return w->sizeHint();
}

bool fits(const QWidget* w)
{
    const QSize n = needed(w);
    return n.width() <= w->width() && n.height() <= w->height();
}

// How far the control may grow from its design place: to its parent's edges, and not over a
// control beside it (to the right) or below it.
QSize room(const QWidget* w, const QRect& design)
{
    const QWidget* parent = w->parentWidget();
    int right = parent->width();
    int bottom = parent->height();
    for (const QObject* o : parent->children()) {
        const auto* s = qobject_cast<const QWidget*>(o);
        if (!s || s == w || s->isWindow() || s->isHidden())
            continue;
        const QRect g = s->geometry();
        const bool besideRows = g.top() <= design.bottom() && g.bottom() >= design.top();
        const bool besideColumns = g.left() <= design.right() && g.right() >= design.left();
        if (besideRows && g.left() > design.right())
            right = std::min(right, g.left());
        if (besideColumns && g.top() > design.bottom())
            bottom = std::min(bottom, g.top());
    }
    return {std::max(design.width(), right - design.left()), std::max(design.height(), bottom - design.top())};
}

template <class T>
T designValue(const QWidget* w, const char* designKey, const char* fittedKey, const T& now)
{
    const QVariant fitted = w->property(fittedKey);
    const QVariant design = w->property(designKey);
    if (fitted.isValid() && design.isValid() && fitted.value<T>() == now)
        return design.value<T>();
    return now;
}

class CaptionKeeper : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w)
            return false;
        switch (e->type()) {
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::FontChange:
        case QEvent::StyleChange:
            if (w->property(kKept).toBool())
                fitCaption(w);
            if (e->type() == QEvent::Resize)
                fitChildren(w);
            break;
        case QEvent::LayoutRequest:
            // A child's caption changed while it was shown.
            fitChildren(w);
            break;
        default:
            break;
        }
        return false;
    }

private:
    static void fitChildren(QWidget* parent)
    {
        for (QObject* o : parent->children())
            if (auto* c = qobject_cast<QWidget*>(o); c && c->property(kKept).toBool())
                fitCaption(c);
    }
};

CaptionKeeper& keeper()
{
    static CaptionKeeper* k = new CaptionKeeper; // lives as long as the widgets it watches
    return *k;
}

} // namespace

void fitCaption(QWidget* w)
{
    if (!w || !isCaptionControl(w) || w->isWindow() || !w->parentWidget())
        return;
    if (w->property(kFitting).toBool())
        return;
    if (placedByLayout(w)) {
        // Fitted before it was put into a layout: the layout has the say now, at the design font.
        const QFont font = designValue<QFont>(w, kDesignFont, kFittedFont, w->font());
        if (w->font() != font)
            w->setFont(font);
        return;
    }
    w->setProperty(kFitting, true);
    struct Done {
        QPointer<QWidget> w;
        ~Done()
        {
            if (w)
                w->setProperty(kFitting, false);
        }
    } done{w};

    const QRect design = designValue<QRect>(w, kDesignRect, kFittedRect, w->geometry());
    const QFont designFont = designValue<QFont>(w, kDesignFont, kFittedFont, w->font());
    w->setProperty(kDesignRect, design);
    w->setProperty(kDesignFont, designFont);

    if (w->font() != designFont)
        w->setFont(designFont);
    if (w->geometry() != design)
        w->setGeometry(design);
    if (!fits(w)) {
        const QSize most = room(w, design);
        QSize n = needed(w);
        w->resize(std::clamp(n.width(), design.width(), most.width()), design.height());
        n = needed(w); // a wrapped caption needs less height once wider
        w->resize(w->width(), std::clamp(n.height(), design.height(), most.height()));
        QFont f = designFont;
        qreal size = f.pointSizeF();
        while (!fits(w) && size > kSmallestPointSize) {
            size = std::max(kSmallestPointSize, size - 0.5);
            f.setPointSizeF(size);
            w->setFont(f);
        }
    }
    w->setProperty(kFittedRect, w->geometry());
    w->setProperty(kFittedFont, w->font());
}

void keepCaptionFitted(QWidget* w)
{
    if (!w || !isCaptionControl(w) || w->isWindow() || w->property(kKept).toBool())
        return;
    w->setProperty(kKept, true);
    w->installEventFilter(&keeper());
    if (QWidget* parent = w->parentWidget(); parent && !parent->property(kKept).isValid()) {
        parent->setProperty(kKept, false); // watched as a parent only
        parent->installEventFilter(&keeper());
    }
}

} // namespace plat
