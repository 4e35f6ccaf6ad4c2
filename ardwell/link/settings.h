#pragma once
// The settings file "config.txt" in the program folder: one record, the port number and the
// model text in quotes, e.g. 3,"126" followed by CR LF. Read at start, written at shut-down.

#include "ardwell/bench/models.h"

#include <QByteArray>
#include <QString>

namespace ardwell {

struct ConfigRecord {
    enum class State {
        Missing,    // no such file
        Empty,      // nothing but blanks and line ends: as if missing
        Read,       // the record was read (perhaps without its model field)
        Unreadable, // it exists but could not be opened or read
    };
    State state = State::Missing;
    int port = 1;          // 1..20; anything outside becomes 1
    QString modelText;     // as the file holds it
    Model model = kDesignModel;
    // The record ended after the port: the port counts, the model is 330.
    bool modelFieldMissing = false;
    QString error;         // why an existing file could not be read

    bool read() const { return state == State::Read; }
};

constexpr int kMinPort = 1;
constexpr int kMaxPort = 20;

// Full path of the settings file in a program folder.
QString configPath(const QString& programFolder);

// Parses the file's bytes (Windows-1252, fields separated by commas or line ends).
ConfigRecord parseConfig(const QByteArray& bytes);
ConfigRecord readConfig(const QString& path);

// Replaces the file with the one record: port, comma, quoted model text, CR LF. An old file
// survives a failed write. False with *error set on failure.
bool writeConfig(const QString& path, int port, Model model, QString* error = nullptr);

} // namespace ardwell
