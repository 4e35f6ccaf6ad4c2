#include "platform/gui/realsound.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

namespace plat {

qint64 wavDurationMs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return -1;
    quint32 byteRate = 0;
    // Walk the chunks; the header chunk comes before the data chunk.
    for (int guard = 0; guard < 64; ++guard) {
        const QByteArray chunk = f.read(8);
        if (chunk.size() < 8)
            return -1;
        const quint32 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray fmt = f.read(qMin<quint32>(size, 16));
            if (fmt.size() < 16)
                return -1;
            byteRate = qFromLittleEndian<quint32>(fmt.constData() + 8);
            if (size > 16 && !f.seek(f.pos() + (size - 16) + (size & 1)))
                return -1;
            continue;
        }
        if (chunk.startsWith("data")) {
            if (byteRate == 0)
                return -1;
            // A size larger than the file (a stream header) counts only what is there.
            const qint64 present = qMin<qint64>(size, f.size() - f.pos());
            return present * 1000 / byteRate;
        }
        if (!f.seek(f.pos() + size + (size & 1)))
            return -1;
    }
    return -1;
}

RealSound::RealSound(QString player) : player_(std::move(player)) {}

void RealSound::playSync(const QString& wavPath)
{
    const qint64 ms = wavDurationMs(wavPath);
    if (ms < 0)
        return;
    const QString player = player_.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("aplay")) : player_;
    if (player.isEmpty())
        return;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(player, {QStringLiteral("-q"), wavPath});
    if (!p.waitForStarted(1000))
        return;
    // Without an audio device the player may block: never wait beyond the sound's length.
    if (!p.waitForFinished(int(qMin<qint64>(ms + 1000, 60'000)))) {
        p.kill();
        p.waitForFinished(500);
    }
}

void RealSound::beep() { QApplication::beep(); }

} // namespace plat
