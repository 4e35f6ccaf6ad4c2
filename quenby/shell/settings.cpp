#include "quenby/shell/settings.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFileInfo>

namespace quenby {

namespace {

// What must not reach a quoted field: its delimiters and control characters.
QByteArray fieldSafe(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b < 0x20 || b == 0x7F)
            continue;
        out.append(c);
    }
    return out;
}

} // namespace

QString settingsPath(const QString& programFolder) { return QDir(programFolder).filePath(kSettingsFileName); }

int portFromField(const QString& field)
{
    int port = 0;
    try {
        port = plat::cLng(plat::val(field));
    } catch (const std::exception&) {
        port = 0;
    }
    return port < 1 || port > 30 ? 1 : port;
}

std::optional<SettingsRecord> readSettings(const QString& programFolder)
{
    const QString path = settingsPath(programFolder);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    const plat::TextLines file = plat::readLines(path);
    for (const QString& line : file.orThrow()) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = plat::csvFields(line);
        SettingsRecord rec;
        rec.port = portFromField(fields.value(0));
        if (fields.size() > 1)
            rec.language = fields.at(1);
        return rec;
    }
    return std::nullopt;
}

namespace {
// The record as text, without its line end.
QString settingsRecord(int port, const QString& language, const QByteArray& mechReply)
{
    const QString portText = port < 0 ? QString::number(port) : QStringLiteral(" ") + QString::number(port);
    return u'"' + portText + QStringLiteral("\",\"") + plat::fromCp1252(fieldSafe(plat::toCp1252(language))) +
           QStringLiteral("\",\"") + plat::fromCp1252(fieldSafe(mechReply)) + u'"';
}
} // namespace

QByteArray settingsLine(int port, const QString& language, const QByteArray& mechReply)
{
    return plat::toCp1252(settingsRecord(port, language, mechReply)) + "\r\n";
}

std::optional<plat::RuntimeError> writeSettings(const QString& programFolder, int port,
                                                const QString& language, const QByteArray& mechReply)
{
    QString why;
    if (!plat::writeLines(settingsPath(programFolder), {settingsRecord(port, language, mechReply)}, &why))
        return plat::RuntimeError(plat::err::PathFileAccess, QStringLiteral("Path/File access error: ") + why);
    return std::nullopt;
}

} // namespace quenby
