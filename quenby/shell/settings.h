#pragma once
// The settings file "config0000.txt" in the program folder: one record of three quoted fields
// (port with a leading blank, language, the last mech reply), CR LF, Windows-1252.

#include "platform/runtimeerror.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quenby {

inline const QString kSettingsFileName = QStringLiteral("config0000.txt");

QString settingsPath(const QString& programFolder);

struct SettingsRecord {
    int port = 1;                                // 1..30; anything else read as 1
    QString language = QStringLiteral("English"); // field 2 as it stands
};

// The record of the settings file; nullopt when the file is missing or holds no record (then the
// user must save the settings first). A file that exists but cannot be read raises
// plat::RuntimeError(75), for the caller's trap to report.
std::optional<SettingsRecord> readSettings(const QString& programFolder);

// The port field: the numeric value rounded halves to even; below 1 or above 30 gives 1.
int portFromField(const QString& field);

// The record line as written, CR LF included. Double quotes and control characters are dropped
// from the text fields so that the one-record file stays readable.
QByteArray settingsLine(int port, const QString& language, const QByteArray& mechReply);

// Writes the settings file (replacing it; in place where the folder takes no new file). Returns
// the error the caller reports with text 832.
std::optional<plat::RuntimeError> writeSettings(const QString& programFolder, int port,
                                                const QString& language, const QByteArray& mechReply);

} // namespace quenby
