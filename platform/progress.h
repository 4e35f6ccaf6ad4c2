#pragma once
// Where a long memory job shows how far it has got: a caption beside a bar that runs from 0 to
// the bar's own maximum. Both programs' memory jobs report through it; a window implements it
// over its own label and bar (ViewProgress), tests over a MemoryView.

#include "platform/view.h"

#include <QString>

namespace plat {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Shows the caption and the bar, at 0.
    virtual void start(const QString& caption) = 0;
    virtual void setProgress(int value) = 0;
    // Hides both again.
    virtual void finish() = 0;
};

// A label and a progress bar of a window, by name.
class ViewProgress : public ProgressSink {
public:
    ViewProgress(View& view, QString label, QString bar)
        : view_(view), label_(std::move(label)), bar_(std::move(bar))
    {
    }
    void start(const QString& caption) override
    {
        view_.setText(label_, caption);
        view_.setValue(bar_, 0);
        view_.setVisible(label_, true);
        view_.setVisible(bar_, true);
    }
    void setProgress(int value) override { view_.setValue(bar_, value); }
    void finish() override
    {
        view_.setVisible(label_, false);
        view_.setVisible(bar_, false);
    }

private:
    View& view_;
    QString label_;
    QString bar_;
};

} // namespace plat
