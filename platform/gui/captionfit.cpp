#include "platform/gui/captionfit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QHash>
#include <QPointer>

#include <optional>

namespace plat {

namespace {

constexpr qreal kSmallestPointSize = 6.0;

bool isCaptionControl(const QWidget* w)
{
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w);
}

// Cuts a caption that is longer than can be shown before anything measures it.
void cutLongCaption(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w); l && l->text().size() > kLongestShownText)
        l->setText(shownText(l->text()));
    else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text().size() > kLongestShownText)
        b->setText(shownText(b->text()));
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

QString captionText(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    return {};
}

bool wraps(const QWidget* w)
{
    auto* l = qobject_cast<const QLabel*>(w);
    return l && l->wordWrap();
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

// What the window gave a control, and what fitting made of it: a geometry or font that is no
// longer the fitted one was set anew by the window and becomes the design. Kept beside the
// widgets rather than as dynamic properties, whose look-up by name costs more than the fit.
struct FitState {
    bool kept = false;    // fitted on its own events
    bool watched = false; // its events are filtered (kept, or the parent of one)
    bool fitting = false;
    std::optional<QRect> designRect, fittedRect;
    std::optional<QFont> designFont, fittedFont;
    // What the last fit was made for. A refit for the same could only come to the same, and on
    // its way it would change the font back and forth, which asks the parent to lay out again.
    QString fittedText;
    std::optional<QSize> fittedRoom; // only a caption that did not fit its design place used it
    bool fittedWrap = false;
    bool fittedStyle = false; // false once the style changed
};

template <class T>
T designValue(const std::optional<T>& design, const std::optional<T>& fitted, const T& now)
{
    return fitted && design && *fitted == now ? *design : now;
}

class CaptionKeeper : public QObject {
public:
    FitState* find(const QObject* w)
    {
        const auto it = states_.find(w);
        return it == states_.end() ? nullptr : &*it;
    }
    FitState& of(QObject* w)
    {
        auto it = states_.find(w);
        if (it == states_.end()) {
            it = states_.insert(w, FitState{});
            QObject::connect(w, &QObject::destroyed, this, [this, w] { states_.remove(w); });
        }
        return *it;
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* w = qobject_cast<QWidget*>(o);
        const FitState* s = w ? find(w) : nullptr;
        if (!s)
            return false;
        switch (e->type()) {
        case QEvent::StyleChange:
            of(w).fittedStyle = false;
            [[fallthrough]];
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::FontChange:
            if (s->kept)
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
    void fitChildren(QWidget* parent)
    {
        for (QObject* o : parent->children())
            if (auto* c = qobject_cast<QWidget*>(o)) {
                if (const FitState* s = find(c); s && s->kept)
                    fitCaption(c);
            }
    }

    QHash<const QObject*, FitState> states_;
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
    cutLongCaption(w);
    FitState& s = keeper().of(w);
    if (s.fitting)
        return;
    if (placedByLayout(w)) {
        // Fitted before it was put into a layout: the layout has the say now, at the design font.
        const QFont font = designValue(s.designFont, s.fittedFont, w->font());
        if (w->font() != font)
            w->setFont(font);
        return;
    }
    s.fitting = true;
    struct Done {
        QPointer<QWidget> w;
        ~Done()
        {
            if (w)
                if (FitState* s = keeper().find(w))
                    s->fitting = false;
        }
    } done{w};

    const QRect design = designValue(s.designRect, s.fittedRect, w->geometry());
    const QFont designFont = designValue(s.designFont, s.fittedFont, w->font());
    const QString text = captionText(w);
    // The room is looked at only where the last fit needed it: finding it walks every control
    // beside this one, which a page of captions would pay for each of them.
    if (s.fittedStyle && s.fittedRect == w->geometry() && s.fittedFont == w->font() && s.designRect == design &&
        s.designFont == designFont && s.fittedText == text && s.fittedWrap == wraps(w) &&
        (!s.fittedRoom || *s.fittedRoom == room(w, design)))
        return;
    s.designRect = design;
    s.designFont = designFont;

    if (w->font() != designFont)
        w->setFont(designFont);
    if (w->geometry() != design)
        w->setGeometry(design);
    std::optional<QSize> used;
    if (!fits(w)) {
        const QSize most = room(w, design);
        used = most;
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
    // The setters above ran the filter, which may have fitted w again; the state is still w's.
    FitState& after = keeper().of(w);
    after.fittedRect = w->geometry();
    after.fittedFont = w->font();
    after.fittedText = text;
    after.fittedRoom = used;
    after.fittedWrap = wraps(w);
    after.fittedStyle = true;
}

void keepCaptionFitted(QWidget* w)
{
    if (!w || !isCaptionControl(w) || w->isWindow())
        return;
    FitState& s = keeper().of(w);
    if (s.kept)
        return;
    s.kept = true;
    if (!s.watched) {
        s.watched = true;
        w->installEventFilter(&keeper());
    }
    if (QWidget* parent = w->parentWidget()) {
        FitState& p = keeper().of(parent); // watched as a parent only, unless kept itself
        if (!p.watched) {
            p.watched = true;
            parent->installEventFilter(&keeper());
        }
    }
}

} // namespace plat
