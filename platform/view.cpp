#include "platform/view.h"

#include <QMutex>

Q_LOGGING_CATEGORY(lcControls, "plat.controls")

namespace plat {

namespace {
QMutex& reportMutex()
{
    static QMutex m;
    return m;
}
QSet<QString>& reported()
{
    static QSet<QString> s;
    return s;
}
} // namespace

void forgetUnknownControlReports()
{
    QMutexLocker lock(&reportMutex());
    reported().clear();
}

void reportUnknownControl(const QString& window, const QString& name, int index)
{
    const QString what = index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
    const QString key = window + QLatin1Char('.') + what;
    {
        QMutexLocker lock(&reportMutex());
        if (reported().contains(key))
            return;
        reported().insert(key);
    }
    qCCritical(lcControls, "unknown control %s in %s", qPrintable(what), qPrintable(window));
}

void ControlNames::addArray(const QString& name, int lbound, int ubound)
{
    QSet<int>& set = names_[name];
    for (int i = lbound; i <= ubound; ++i)
        set.insert(i);
}

bool ControlNames::knows(const QString& name, int index) const
{
    auto it = names_.find(name);
    return it != names_.end() && it->second.contains(index);
}

QStringList ControlNames::names() const
{
    QStringList out;
    for (const auto& [n, idx] : names_)
        out << n;
    return out;
}

int ControlNames::lbound(const QString& name) const
{
    auto it = names_.find(name);
    int lo = 1;
    bool any = false;
    if (it != names_.end())
        for (int i : it->second)
            if (i >= 0 && (!any || i < lo)) {
                lo = i;
                any = true;
            }
    return any ? lo : 0;
}

int ControlNames::ubound(const QString& name) const
{
    auto it = names_.find(name);
    int hi = -1;
    if (it != names_.end())
        for (int i : it->second)
            hi = std::max(hi, i);
    return hi;
}

MemoryView::MemoryView(ControlNames names, QString window) : names_(std::move(names)), window_(std::move(window)) {}

QString MemoryView::key(const QString& c, int i) { return i < 0 ? c : c + '(' + QString::number(i) + ')'; }

bool MemoryView::check(const QString& c, int i) const
{
    if (names_.knows(c, i))
        return true;
    reportUnknownControl(window_, c, i);
    return false;
}

void MemoryView::setText(const QString& c, const QString& t, int i)
{
    if (check(c, i))
        texts_[key(c, i)] = t;
}
QString MemoryView::text(const QString& c, int i) const { return check(c, i) ? texts_.value(key(c, i)) : QString(); }
void MemoryView::setFill(const QString& c, quint32 v, int i)
{
    if (check(c, i))
        fills_[key(c, i)] = v;
}
quint32 MemoryView::fill(const QString& c, int i) const { return check(c, i) ? fills_.value(key(c, i), 0xFFFFFF) : 0; }
void MemoryView::setBackColor(const QString& c, quint32 v, int i)
{
    if (check(c, i))
        backs_[key(c, i)] = v;
}
quint32 MemoryView::backColor(const QString& c, int i) const
{
    return check(c, i) ? backs_.value(key(c, i), 0x8000000F) : 0;
}
void MemoryView::setVisible(const QString& c, bool on, int i)
{
    if (check(c, i))
        visible_[key(c, i)] = on;
}
bool MemoryView::isVisible(const QString& c, int i) const { return check(c, i) && visible_.value(key(c, i), true); }
void MemoryView::setEnabled(const QString& c, bool on, int i)
{
    if (check(c, i))
        enabled_[key(c, i)] = on;
}
bool MemoryView::isEnabled(const QString& c, int i) const { return check(c, i) && enabled_.value(key(c, i), true); }
void MemoryView::setValue(const QString& c, int v, int i)
{
    if (check(c, i))
        values_[key(c, i)] = v;
}
int MemoryView::value(const QString& c, int i) const { return check(c, i) ? values_.value(key(c, i), 0) : 0; }
void MemoryView::setItems(const QString& c, const QStringList& items, int i)
{
    if (check(c, i))
        items_[key(c, i)] = items;
}
QStringList MemoryView::items(const QString& c, int i) const
{
    return check(c, i) ? items_.value(key(c, i)) : QStringList();
}

} // namespace plat
