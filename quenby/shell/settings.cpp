#include "quenby/shell/settings.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/shell/general.h"

#include <QDir>
#include <QSaveFile>

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
    const plat::TextLines file = plat::readLines(settingsPath(programFolder));
    if (!file.ok)
        return std::nullopt;
    for (const QString& line : file.lines) {
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

QByteArray settingsLine(int port, const QString& language, const QByteArray& mechReply)
{
    const QString portText = port < 0 ? QString::number(port) : QStringLiteral(" ") + QString::number(port);
    QByteArray line;
    line += '"';
    line += portText.toLatin1();
    line += "\",\"";
    line += fieldSafe(plat::toCp1252(language));
    line += "\",\"";
    line += fieldSafe(mechReply);
    line += "\"\r\n";
    return line;
}

std::optional<plat::RuntimeError> writeSettings(const QString& programFolder, int port,
                                                const QString& language, const QByteArray& mechReply)
{
    QSaveFile file(settingsPath(programFolder));
    const QByteArray line = settingsLine(port, language, mechReply);
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.commit())
        return plat::RuntimeError(plat::err::PathFileAccess,
                                  QStringLiteral("Path/File access error: ") + file.errorString());
    return std::nullopt;
}

} // namespace quenby
