#pragma once
// A window as its logic sees it: controls by name, and by index for control arrays.
//
// Logic computes plain data (texts, numbers, colours 0xBBGGRR, enabled and visible flags) and
// hands it to a View; a window implements View over its named controls (plat::NamedControls),
// and logic tests use MemoryView, which knows the same names. A name the window does not have is
// an error, never a silent no-op: it is reported once on the "plat.controls" logging category,
// which fails the running test and shows on standard error in the program.

#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>

Q_DECLARE_LOGGING_CATEGORY(lcControls)

namespace plat {

// Colours as the windows take them, 0xBBGGRR; a system colour is 0x80000000 | its index.
namespace sysColor {
constexpr quint32 ButtonFace = 0x8000000F;
constexpr quint32 WindowBackground = 0x80000005;
constexpr quint32 WindowText = 0x80000008;
constexpr quint32 ButtonText = 0x80000012;
} // namespace sysColor

constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kYellow = 0x00FFFF;
constexpr quint32 kCyan = 0xFFFF00;

// Whole pixels of a measure in twips (nearest), 15 twips to a pixel.
constexpr int twipsToPixels(int twips)
{
    constexpr int kTwipsPerPixel = 15, kHalf = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + kHalf) / kTwipsPerPixel : -((-twips + kHalf) / kTwipsPerPixel);
}

// Reports a name (index -1: not an array element) that the window `window` lacks. Each
// window/name/index is reported once per process run.
void reportUnknownControl(const QString& window, const QString& name, int index);
// Forgets what was reported (tests call it before each test, so each one sees its own).
void forgetUnknownControlReports();

// The names of one window's controls: plain controls, and control arrays with their indexes.
class ControlNames {
public:
    void add(const QString& name, int index = -1) { names_[name].insert(index); }
    // An array of indexes lbound..ubound.
    void addArray(const QString& name, int lbound, int ubound);
    bool knows(const QString& name, int index = -1) const;
    bool hasName(const QString& name) const { return names_.count(name) != 0; }
    QStringList names() const;
    // Index range of an array (lbound > ubound when there is none).
    int lbound(const QString& name) const;
    int ubound(const QString& name) const;

private:
    std::map<QString, QSet<int>> names_;
};

class View {
public:
    virtual ~View() = default;
    // Caption of a label/button/frame/window, or text of a text box or combo box.
    virtual void setText(const QString& control, const QString& text, int index = -1) = 0;
    virtual QString text(const QString& control, int index = -1) const = 0;
    // Fill colour of a shape (lamp), 0xBBGGRR.
    virtual void setFill(const QString& shape, quint32 bgr, int index = -1) = 0;
    virtual quint32 fill(const QString& shape, int index = -1) const = 0;
    // Back colour of a control, 0xBBGGRR or a system colour (0x80000000 | index).
    virtual void setBackColor(const QString& control, quint32 bgr, int index = -1) = 0;
    virtual quint32 backColor(const QString& control, int index = -1) const = 0;
    virtual void setVisible(const QString& control, bool on, int index = -1) = 0;
    // The control's own setting, whatever its container shows.
    virtual bool isVisible(const QString& control, int index = -1) const = 0;
    virtual void setEnabled(const QString& control, bool on, int index = -1) = 0;
    virtual bool isEnabled(const QString& control, int index = -1) const = 0;
    // Check box 0/1/2, option button 0/1 (setting 1 runs its click handler), combo box list
    // index, progress bar value.
    virtual void setValue(const QString& control, int value, int index = -1) = 0;
    virtual int value(const QString& control, int index = -1) const = 0;
    // Items of a list or combo box.
    virtual void setItems(const QString& control, const QStringList& items, int index = -1) = 0;
    virtual QStringList items(const QString& control, int index = -1) const = 0;
    virtual bool knows(const QString& control, int index = -1) const = 0;
};

// Remembers what is set, for logic tests without widgets. It knows exactly the names it is given
// (normally a window's own list); any other name is reported as unknown.
class MemoryView : public View {
public:
    explicit MemoryView(ControlNames names, QString window = QStringLiteral("MemoryView"));

    void setText(const QString& c, const QString& t, int i = -1) override;
    QString text(const QString& c, int i = -1) const override;
    void setFill(const QString& c, quint32 v, int i = -1) override;
    quint32 fill(const QString& c, int i = -1) const override;
    void setBackColor(const QString& c, quint32 v, int i = -1) override;
    quint32 backColor(const QString& c, int i = -1) const override;
    void setVisible(const QString& c, bool on, int i = -1) override;
    bool isVisible(const QString& c, int i = -1) const override;
    void setEnabled(const QString& c, bool on, int i = -1) override;
    bool isEnabled(const QString& c, int i = -1) const override;
    void setValue(const QString& c, int v, int i = -1) override;
    int value(const QString& c, int i = -1) const override;
    void setItems(const QString& c, const QStringList& items, int i = -1) override;
    QStringList items(const QString& c, int i = -1) const override;
    bool knows(const QString& c, int i = -1) const override { return names_.knows(c, i); }

    const ControlNames& names() const { return names_; }

private:
    bool check(const QString& c, int i) const;
    static QString key(const QString& c, int i);

    ControlNames names_;
    QString window_;
    QHash<QString, QString> texts_;
    QHash<QString, quint32> fills_, backs_;
    QHash<QString, bool> visible_, enabled_;
    QHash<QString, int> values_;
    QHash<QString, QStringList> items_;
};

} // namespace plat
