#include "platform/makesound.h"

#include <QDir>
#include <QFileInfo>

namespace shared {

void makeSound(bool reject, const QString& programFolder, plat::Sound& sound,
               const std::function<void(const std::exception&)>& onError)
{
    try {
        const QString path = QDir(programFolder).filePath(reject ? QStringLiteral("reject.wav")
                                                                 : QStringLiteral("accept.wav"));
        if (!QFileInfo(path).isFile())
            return;
        sound.playSync(path);
    } catch (const std::exception& e) {
        if (onError)
            onError(e);
    }
}

} // namespace shared
