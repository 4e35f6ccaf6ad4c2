#pragma once
// The first program's source files, for the tests that scan them (text ids, control names).

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <utility>
#include <vector>

namespace quenby_tests {

// File name and text of every .cpp and .h below quenby/; a file that cannot be read has an
// empty name, so the scan's own check fails on it.
inline std::vector<std::pair<QString, QString>> quenbySources()
{
    std::vector<std::pair<QString, QString>> out;
    QDirIterator it(QStringLiteral(QUENBY_SOURCE_DIR), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            out.emplace_back(QString(), path);
        else
            out.emplace_back(QFileInfo(path).fileName(), QString::fromUtf8(f.readAll()));
    }
    return out;
}

} // namespace quenby_tests
