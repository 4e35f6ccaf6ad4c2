#pragma once
// The mech jobs behind the main window's buttons and the programme panel's steps that leaving
// programme mode runs. The window calls them through this one interface; the panels that do
// the work override it. Until a step is built, its default says so on standard error (once per
// step and run) and does nothing, so a step that is not there is never silently skipped.

#include <QStringList>
#include <QString>


namespace ardwell {

class MechJobs {
public:
    virtual ~MechJobs() = default;

    // "Program Coin Mech", "Adjust Settings" and "Test Coin Mech".
    virtual void programmeJob() { notBuiltYet(QStringLiteral("programmeJob")); }
    virtual void adjustJob() { notBuiltYet(QStringLiteral("adjustJob")); }
    virtual void testJob() { notBuiltYet(QStringLiteral("testJob")); }

    // The programme panel's steps that writing the image on the way out runs.
    virtual void readMechSerialNumber() { notBuiltYet(QStringLiteral("readMechSerialNumber")); }
    virtual void enableProgrammeControls(bool enabled)
    {
        Q_UNUSED(enabled);
        notBuiltYet(QStringLiteral("enableProgrammeControls"));
    }
    virtual void cmdProg_Click() { notBuiltYet(QStringLiteral("cmdProg_Click")); }

    // The steps that were called without being built, in the order first called.
    const QStringList& missing() const { return missing_; }

protected:
    void notBuiltYet(const QString& step);

private:
    QStringList missing_;
};

} // namespace ardwell
