#pragma once
// The second program's window as its link and bench code see it: controls by name, and by index
// for control arrays. The window implements it over its widgets; logic tests use MemoryView.
// Keeping the logic behind names lets it stay free of widgets and be tested directly.

#include <QHash>
#include <QString>

namespace ardwell {

class View {
public:
    virtual ~View() = default;
    // Caption of a label/button/frame, or text of a text box. index -1 = not an array element.
    virtual void setText(const QString& control, const QString& text, int index = -1) = 0;
    virtual QString text(const QString& control, int index = -1) const = 0;
    // Fill colour of a shape (lamp), 0xBBGGRR.
    virtual void setFill(const QString& shape, quint32 bgr, int index = -1) = 0;
    virtual quint32 fill(const QString& shape, int index = -1) const = 0;
    virtual void setVisible(const QString& control, bool on, int index = -1) = 0;
    virtual bool isVisible(const QString& control, int index = -1) const = 0;
    virtual void setEnabled(const QString& control, bool on, int index = -1) = 0;
    virtual bool isEnabled(const QString& control, int index = -1) const = 0;
    // Check box 0/1/2, option button 0/1 (setting 1 runs its click handler in the window).
    virtual void setValue(const QString& control, int value, int index = -1) = 0;
    virtual int value(const QString& control, int index = -1) const = 0;
};

// Remembers what was set; unknown controls read as empty, 0, visible and enabled.
class MemoryView : public View {
public:
    void setText(const QString& c, const QString& t, int i = -1) override { texts_[key(c, i)] = t; }
    QString text(const QString& c, int i = -1) const override { return texts_.value(key(c, i)); }
    void setFill(const QString& c, quint32 v, int i = -1) override { fills_[key(c, i)] = v; }
    quint32 fill(const QString& c, int i = -1) const override { return fills_.value(key(c, i), 0xFFFFFF); }
    void setVisible(const QString& c, bool on, int i = -1) override { visible_[key(c, i)] = on; }
    bool isVisible(const QString& c, int i = -1) const override { return visible_.value(key(c, i), true); }
    void setEnabled(const QString& c, bool on, int i = -1) override { enabled_[key(c, i)] = on; }
    bool isEnabled(const QString& c, int i = -1) const override { return enabled_.value(key(c, i), true); }
    void setValue(const QString& c, int v, int i = -1) override { values_[key(c, i)] = v; }
    int value(const QString& c, int i = -1) const override { return values_.value(key(c, i), 0); }

private:
    static QString key(const QString& c, int i) { return i < 0 ? c : c + '(' + QString::number(i) + ')'; }
    QHash<QString, QString> texts_;
    QHash<QString, quint32> fills_;
    QHash<QString, bool> visible_, enabled_;
    QHash<QString, int> values_;
};

} // namespace ardwell
