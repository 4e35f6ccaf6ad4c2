#include "platform/fileexists.h"

#include "platform/dialogs.h"
#include "platform/runtimeerror.h"

#include <QFileInfo>

namespace shared {

bool probeOrdinaryFile(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
    return !info.fileName().startsWith(u'.');
}

bool fileExists(const QString& path, plat::Dialogs& dialogs, const FileExistsTexts& texts,
                const std::function<void(const std::exception&)>& onError)
{
    return fileExists(path, dialogs, texts, onError, probeOrdinaryFile);
}

bool fileExists(const QString& path, plat::Dialogs& dialogs, const FileExistsTexts& texts,
                const std::function<void(const std::exception&)>& onError, const FileProbe& probe)
{
    try {
        for (;;) {
            try {
                return probe(path);
            } catch (const std::exception& e) {
                const plat::ErrInfo info = plat::errInfo(e);
                if (info.number == plat::err::DiskNotReady) {
                    const int answer = dialogs.msgBox(texts.diskNotReady,
                                                      plat::mb::Exclamation | plat::mb::OKCancel, QString());
                    if (answer == plat::mb::OK)
                        continue;
                    return false;
                }
                if (info.number == plat::err::DeviceUnavailable) {
                    dialogs.msgBox((texts.pathMissing.isEmpty() ? texts.unexpectedError : texts.pathMissing) + path, plat::mb::Exclamation | plat::mb::OKOnly,
                                   QString());
                    return false;
                }
                dialogs.msgBox(texts.unexpectedError + u' ' + QString::number(info.number) + texts.occurred +
                                   info.description,
                               plat::mb::Critical | plat::mb::OKOnly, QString());
                return false;
            }
        }
    } catch (const std::exception& e) {
        if (onError)
            onError(e);
        return false;
    }
}

} // namespace shared
