#pragma once
// The registry of one window's controls by name, for both programs.
//
// Every control the logic names is registered here under that name (array elements with their
// index); its Qt objectName is that name and an element's index is its "ctlIndex" property. The
// registry is the window's View: logic reaches controls only by name, and an unknown name is
// reported (see plat::reportUnknownControl), never silently ignored. Window code gets typed
// widgets with get<T>(), which raises run-time error 424 for a name that is not there.

#include "platform/gui/controls.h"
#include "platform/runtimeerror.h"
#include "platform/view.h"

#include <QPointer>
#include <QWidget>
#include <map>

namespace plat {

class NamedControls : public View {
public:
    explicit NamedControls(QString window) : window_(std::move(window)) {}

    // Registers w under name (index >= 0 for an element of a control array). Registering a name
    // and index twice is a programming error and is reported.
    template <class T>
    T* add(T* w, const QString& name, int index = -1)
    {
        addWidget(w, name, index);
        return w;
    }
    void addWidget(QWidget* w, const QString& name, int index = -1);

    bool has(const QString& name, int index = -1) const;
    // The control, or nullptr after reporting an unknown name.
    QWidget* widget(const QString& name, int index = -1) const;
    // The control as T; raises RuntimeError 424 ("Object required") when it is missing or not a T.
    template <class T>
    T* get(const QString& name, int index = -1) const
    {
        T* t = qobject_cast<T*>(widget(name, index));
        if (!t)
            throw RuntimeError(424, QStringLiteral("Object required"));
        return t;
    }
    // All elements of a control array, as a ControlArray.
    template <class T>
    ControlArray<T> array(const QString& name) const
    {
        ControlArray<T> out;
        auto it = controls_.find(name);
        if (it == controls_.end()) {
            reportUnknownControl(window_, name, 0);
            return out;
        }
        for (const auto& [i, w] : it->second)
            if (i >= 0)
                if (T* t = qobject_cast<T*>(w.data()))
                    out.set(i, t);
        return out;
    }
    ControlNames names() const;
    const QString& window() const { return window_; }

    // ---- View ----
    void setText(const QString& control, const QString& text, int index = -1) override;
    QString text(const QString& control, int index = -1) const override;
    void setFill(const QString& shape, quint32 bgr, int index = -1) override;
    quint32 fill(const QString& shape, int index = -1) const override;
    void setBackColor(const QString& control, quint32 bgr, int index = -1) override;
    quint32 backColor(const QString& control, int index = -1) const override;
    void setVisible(const QString& control, bool on, int index = -1) override;
    bool isVisible(const QString& control, int index = -1) const override;
    void setEnabled(const QString& control, bool on, int index = -1) override;
    bool isEnabled(const QString& control, int index = -1) const override;
    void setValue(const QString& control, int value, int index = -1) override;
    int value(const QString& control, int index = -1) const override;
    void setItems(const QString& control, const QStringList& items, int index = -1) override;
    QStringList items(const QString& control, int index = -1) const override;
    bool knows(const QString& control, int index = -1) const override { return has(control, index); }

private:
    void unsupported(const QString& what, const QString& control, int index) const;

    QString window_;
    std::map<QString, std::map<int, QPointer<QWidget>>> controls_;
};

} // namespace plat
