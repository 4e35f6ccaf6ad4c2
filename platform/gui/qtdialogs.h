#pragma once
// Message boxes and file dialogs on screen.

#include "platform/dialogs.h"

#include <QString>

namespace plat {

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*" or just "*.txt" in the form Qt's file dialogs
// take ("Text Files (*.txt);;All Files (*)").
QString qtFileFilter(const QString& classic);

// The result a box gives when it is closed without a button: Cancel where offered, else OK
// (No for Yes/No, Abort for Abort/Retry/Ignore).
int closeBoxResult(int style);

class QtDialogs : public Dialogs {
public:
    int msgBox(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter, const QString& initialDir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& initialDir) override;
};

} // namespace plat
