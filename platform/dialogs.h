#pragma once
// Message boxes and file dialogs go through this service, so tests can script the answers.
// The style and result numbers are the classic message-box ones the programs are written in.

#include <QString>

namespace plat {

namespace mb {
// Buttons
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
// Icons
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// Default button (the first one when neither is given)
constexpr int DefButton2 = 256;
constexpr int DefButton3 = 512;
// Modality
constexpr int SystemModal = 4096;
// Results
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;

inline int buttonsOf(int style) { return style & 7; }
inline int iconOf(int style) { return style & 0x70; }
} // namespace mb

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a modal box; returns one of the mb result numbers.
    virtual int msgBox(const QString& text, int style, const QString& title) = 0;
    // A question whose OK or Yes overwrites or destroys something (an existing file or log, a
    // mech's memory). Shown as msgBox shows it; answered unseen (JobDialogs), it gets the answer
    // that leaves everything as it was: No or Cancel.
    virtual int askRisky(const QString& text, int style, const QString& title) { return msgBox(text, style, title); }
    // File dialogs; an empty text when the user cancels.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& initialDir) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& initialDir) = 0;
};

} // namespace plat
