#pragma once
// The progress window every long memory job shows while it reads or writes a mech: a caption, a
// title, the segment being burnt and a bar of sixteen steps. It holds no logic of its own; the
// jobs drive it through plat::ProgressSink (ProgrammingWindow below).

#include "platform/gui/controls.h"
#include "platform/gui/namedcontrols.h"
#include "platform/progresssink.h"

#include <QWidget>

namespace quenby {

class Program;

class frmProgramming : public QWidget {
public:
    explicit frmProgramming(Program& program);

    // Runs whenever the window is first touched after an unload: the default title and legend.
    void Form_Load();
    void setCaptions();

    plat::NamedControls& controls() { return c_; }
    const plat::NamedControls& controls() const { return c_; }

private:
    Program& p_;
    plat::NamedControls c_{QStringLiteral("frmProgramming")};
};

// The jobs' progress sink: frmProgramming, loaded on first use; unload() lets the next job find
// it as designed.
class ProgrammingWindow : public plat::ProgressSink {
public:
    explicit ProgrammingWindow(plat::FormSlot<frmProgramming>& slot) : slot_(slot) {}

    void setCaption(const QString& caption) override;
    void setTitle(const QString& title) override;
    void showSegment(bool visible) override;
    void setSegment(const QString& number) override;
    void show() override;
    void hide() override;
    void unload() override;

protected:
    void showStep(int step) override;

private:
    plat::View& view() { return slot_.get().controls(); }
    plat::FormSlot<frmProgramming>& slot_;
};

} // namespace quenby
