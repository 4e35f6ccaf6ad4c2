#pragma once
// Control behaviour the windows rely on, thin over Qt widgets: colours given as 0xBBGGRR
// values (system colours as 0x80000000 | index), lamps, check box values 0/1/2, click handlers
// that also run when code sets a value, control arrays, and window slots that build a window on
// first use and never destroy one while a handler may still be running in it.

#include "platform/jobguard.h"
#include "platform/runtimeerror.h"
#include "platform/view.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QRadioButton;

namespace plat {

QColor colorFromBgr(quint32 value);
quint32 bgrFromColor(const QColor& c);

// Places a control by its left, top, width and height in twips.
void place(QWidget* w, int left, int top, int width, int height);

// Sets the background colour and keeps the value as given, so backColor() returns it exactly.
void setBackColor(QWidget* w, quint32 value);
// The value last set; for a widget never set, the system colour it shows by default.
quint32 backColor(const QWidget* w);

// A filled circle or rectangle, as the test panels' lamps are.
class Lamp : public QWidget {
    Q_OBJECT
public:
    enum class Shape { Circle, Rectangle };
    explicit Lamp(QWidget* parent = nullptr, Shape shape = Shape::Circle);
    void setShape(Shape s);
    Shape shape() const { return shape_; }
    void setFillColor(quint32 bgr);
    quint32 fillColor() const { return fill_; }
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Shape shape_;
    quint32 fill_ = kWhite;
};

// 0 unchecked, 1 checked, 2 greyed. Other values raise RuntimeError(380, "Invalid property value").
int checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, int value);

// Unguarded click handlers, beneath onSet: for an option button, run whenever it becomes set, by
// the user or by code; for a check box, on every change of its value.
void onClick(QRadioButton* opt, std::function<void()> fn);
void onClick(QCheckBox* box, std::function<void()> fn);

// The one way a window wires a control to its handler: the handler runs through the program's
// job guard under `context`, by default "<window>.<control>_Click : " of the names the window
// registered (before the handler is wired).
// onClick: the user's click of a button, option button or check box, or the user's choice from a
// list; a value set from code runs nothing. onSet: whenever the option button becomes set, or the
// check box's value changes, by the user or by code that does not block its signals.
// A Job runs as a job: refused while another job waits, and then `refused` runs.
struct Job {
    std::function<void()> run;
    std::function<void()> refused = {};
};
void onClick(JobGuard& guard, QAbstractButton* control, std::function<void()> handler, const QString& context = {});
void onClick(JobGuard& guard, QAbstractButton* control, Job job, const QString& context = {});
void onClick(JobGuard& guard, QComboBox* list, std::function<void()> handler, const QString& context = {});
void onClick(JobGuard& guard, QComboBox* list, Job job, const QString& context = {});
void onSet(JobGuard& guard, QRadioButton* option, std::function<void()> handler, const QString& context = {});
void onSet(JobGuard& guard, QRadioButton* option, Job job, const QString& context = {});
void onSet(JobGuard& guard, QCheckBox* box, std::function<void()> handler, const QString& context = {});
// Sets an option button's value; clearing works even for the set button of a group, which Qt
// alone refuses.
void setOptionValue(QRadioButton* opt, bool on);

// Controls by index. A missing index raises RuntimeError(9, "Subscript out of range").
template <class T>
class ControlArray {
    static_assert(std::is_base_of_v<QObject, T>, "controls are QObjects");

public:
    void set(int index, T* control) { items_[index] = control; }
    // Adds after the current upper bound (at 0 when empty); returns the index.
    int add(T* control)
    {
        const int index = items_.empty() ? 0 : items_.rbegin()->first + 1;
        items_[index] = control;
        return index;
    }
    T* at(int index) const
    {
        auto it = items_.find(index);
        if (it == items_.end() || it->second.isNull())
            throw RuntimeError(err::SubscriptOutOfRange, "Subscript out of range");
        return it->second.data();
    }
    T* operator[](int index) const { return at(index); }
    T* operator()(int index) const { return at(index); }
    bool exists(int index) const
    {
        auto it = items_.find(index);
        return it != items_.end() && !it->second.isNull();
    }
    int lbound() const { return items_.empty() ? 0 : items_.begin()->first; }
    int ubound() const { return items_.empty() ? -1 : items_.rbegin()->first; }
    int count() const { return int(items_.size()); }
    std::vector<int> indexes() const
    {
        std::vector<int> out;
        for (const auto& [i, c] : items_)
            out.push_back(i);
        return out;
    }

private:
    std::map<int, QPointer<T>> items_;
};

// One window of a program, created on first use. unload() hides it and retires the instance;
// a later get() builds a fresh one in its design state. A retired window is destroyed once no
// handler is running (so a handler may unload its own window), or with the slot.
template <class F>
class FormSlot {
public:
    using Factory = std::function<std::unique_ptr<F>()>;

    FormSlot(HandlerDepth& depth, Factory factory) : depth_(depth), factory_(std::move(factory))
    {
        listener_ = depth_.addIdleListener([this] { purge(); });
    }
    explicit FormSlot(HandlerDepth& depth) : FormSlot(depth, [] { return std::make_unique<F>(); }) {}
    ~FormSlot()
    {
        depth_.removeIdleListener(listener_);
        current_.reset();
        retired_.clear();
        // A window handed to the event loop must not outlive its owner: its destructor may still
        // reach the owner's guard and state.
        for (const QPointer<QObject>& o : deleting_)
            delete o.data();
    }
    FormSlot(const FormSlot&) = delete;
    FormSlot& operator=(const FormSlot&) = delete;

    F& get()
    {
        if (!current_)
            current_ = factory_();
        return *current_;
    }
    F* operator->() { return &get(); }
    bool loaded() const { return current_ != nullptr; }
    // The window when loaded, without creating it.
    F* ifLoaded() const { return current_.get(); }

    void unload()
    {
        if (!current_)
            return;
        if constexpr (std::is_base_of_v<QWidget, F>)
            current_->hide();
        retired_.push_back(std::move(current_));
        if (depth_.depth() == 0)
            purge();
    }

private:
    void purge()
    {
        auto retired = std::move(retired_);
        retired_.clear();
        for (auto& f : retired) {
            if constexpr (std::is_base_of_v<QObject, F>) {
                deleting_.erase(std::remove_if(deleting_.begin(), deleting_.end(),
                                               [](const QPointer<QObject>& o) { return o.isNull(); }),
                                deleting_.end());
                deleting_.emplace_back(f.get());
                f.release()->deleteLater(); // also safe from inside one of its own Qt events
            } else
                f.reset();
        }
    }

    HandlerDepth& depth_;
    Factory factory_;
    std::unique_ptr<F> current_;
    std::vector<std::unique_ptr<F>> retired_;
    std::vector<QPointer<QObject>> deleting_;
    int listener_ = 0;
};

} // namespace plat
