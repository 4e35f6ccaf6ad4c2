#pragma once
// Where a long memory job shows how far it has got: a small window (or a bar in a window) with a
// caption, a title, an optional segment number and a bar of sixteen steps. The job owns the
// work and drives the sink from inside its own handler; the sink holds no logic.
//
// Both programs' progress displays implement it, and tests record it.

#include "platform/view.h"

#include <QString>

namespace plat {

class ProgressSink {
public:
    static constexpr int kSteps = 16;

    virtual ~ProgressSink() = default;

    virtual void setCaption(const QString& caption) = 0;
    virtual void setTitle(const QString& title) = 0;
    // The segment legend and number: shown by jobs that work segment by segment, hidden by the
    // others.
    virtual void showSegment(bool visible) = 0;
    virtual void setSegment(const QString& number) = 0;
    // The bar, 0 .. kSteps; a value outside is held at the nearer end.
    void setStep(int step) { showStep(step < 0 ? 0 : step > kSteps ? kSteps : step); }
    virtual void show() = 0;
    virtual void hide() = 0;
    // Hidden and forgotten: the next use starts from the display's design state.
    virtual void unload() = 0;

protected:
    virtual void showStep(int step) = 0;
};

// A label and a bar of a window, reached by name: the second program's progress display. It has
// no title or segment of its own, so those say nothing there.
class ViewProgress : public ProgressSink {
public:
    ViewProgress(View& view, QString label, QString bar)
        : view_(view), label_(std::move(label)), bar_(std::move(bar))
    {
    }
    void setCaption(const QString& caption) override { view_.setText(label_, caption); }
    void setTitle(const QString&) override {}
    void showSegment(bool) override {}
    void setSegment(const QString&) override {}
    void show() override
    {
        view_.setVisible(label_, true);
        view_.setVisible(bar_, true);
    }
    void hide() override
    {
        view_.setVisible(label_, false);
        view_.setVisible(bar_, false);
    }
    void unload() override { hide(); }

protected:
    void showStep(int step) override { view_.setValue(bar_, step); }

private:
    View& view_;
    QString label_;
    QString bar_;
};

} // namespace plat
