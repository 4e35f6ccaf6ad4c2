#include "platform/gui/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace plat {

QFont fixedPitchFont(int pointSize)
{
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int size = pointSize > 0 ? pointSize : system.pointSize();
    // The first is the one the setup script installs.
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono"}) {
        const QFont f(QString::fromLatin1(family), size);
        if (QFontInfo(f).fixedPitch())
            return f;
    }
    QFont hinted = system;
    if (size > 0)
        hinted.setPointSize(size);
    hinted.setStyleHint(QFont::TypeWriter);
    hinted.setFixedPitch(true);
    if (QFontInfo(hinted).fixedPitch())
        return hinted;
    // Neither the list nor the hint found one: any family the machine marks fixed-pitch.
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family))
            continue;
        const QFont f(family, size);
        if (QFontInfo(f).fixedPitch())
            return f;
    }
    return hinted;
}

} // namespace plat
