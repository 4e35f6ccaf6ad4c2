#include "platform/dialogs.h"
#include "platform/gui/qtdialogs.h"
#include "platform/gui/realsound.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace plat;

TEST(FileFilters, ClassicFiltersBecomeQtFilters)
{
    EXPECT_EQ(qtFileFilter("*.txt"), "*.txt");
    EXPECT_EQ(qtFileFilter("Text Files (*.txt)|*.txt"), "Text Files (*.txt)");
    EXPECT_EQ(qtFileFilter("Coin sets|*.cst;*.txt|All Files (*.*)|*.*"), "Coin sets (*.cst *.txt);;All Files (*)");
    EXPECT_EQ(qtFileFilter(""), "");
    EXPECT_EQ(qtFileFilter("Dangling|"), "Dangling ()");
}

TEST(MessageBoxes, TheCloseBoxGivesCancelWhereOffered)
{
    EXPECT_EQ(closeBoxResult(mb::OKOnly | mb::Critical), mb::OK);
    EXPECT_EQ(closeBoxResult(mb::OKCancel | mb::Exclamation), mb::Cancel);
    EXPECT_EQ(closeBoxResult(mb::YesNoCancel), mb::Cancel);
    EXPECT_EQ(closeBoxResult(mb::RetryCancel | mb::SystemModal), mb::Cancel);
    EXPECT_EQ(closeBoxResult(mb::YesNo | mb::Question), mb::No);
    EXPECT_EQ(closeBoxResult(mb::AbortRetryIgnore), mb::Abort);
}

namespace {

// Acts on the box once it is up.
void whenBoxShows(std::function<void(QMessageBox*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(box);
    });
}

} // namespace

TEST(MessageBoxes, ButtonsGiveTheirResultNumbers)
{
    QtDialogs d;
    QString shownText;
    whenBoxShows([&](QMessageBox* box) {
        shownText = box->text();
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(d.msgBox("Value <b>5</b>", mb::RetryCancel | mb::Exclamation, "Check"), mb::Retry);
    EXPECT_EQ(shownText, "Value <b>5</b>");

    whenBoxShows([](QMessageBox* box) { box->reject(); }); // Esc or the close box
    EXPECT_EQ(d.msgBox("Sure?", mb::YesNo | mb::Question, "Q"), mb::No);

    whenBoxShows([](QMessageBox* box) {
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
        box->defaultButton()->click();
    });
    EXPECT_EQ(d.msgBox("Save?", mb::YesNoCancel | mb::DefButton2, "S"), mb::No);
}

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}

// A PCM WAV of `ms` of silence at 8 kHz mono 8-bit, with an extra chunk before the data.
QByteArray wav(int ms, bool extraChunk = true)
{
    const QByteArray data(8 * ms, char(0x80));
    QByteArray fmt = le32(0x00010001) + le32(8000) + le32(8000) + le32(0x00080001);
    QByteArray body = "WAVE" + QByteArray("fmt ") + le32(16) + fmt;
    if (extraChunk)
        body += "LIST" + le32(3) + QByteArray("abc\0", 4);
    body += "data" + le32(quint32(data.size())) + data;
    return "RIFF" + le32(quint32(body.size())) + body;
}

QString put(const QTemporaryDir& d, const QString& name, const QByteArray& bytes)
{
    QFile f(d.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

} // namespace

TEST(Sound, WavLengthComesFromTheHeader)
{
    QTemporaryDir d;
    EXPECT_EQ(wavDurationMs(put(d, "a.wav", wav(250))), 250);
    EXPECT_EQ(wavDurationMs(put(d, "b.wav", wav(1000, false))), 1000);
    EXPECT_EQ(wavDurationMs(d.filePath("missing.wav")), -1);
    EXPECT_EQ(wavDurationMs(put(d, "c.wav", "not a sound")), -1);
    EXPECT_EQ(wavDurationMs(put(d, "d.wav", wav(250).left(30))), -1); // cut off in its header
    // A data size that promises more than the file holds counts what is there.
    QByteArray lying = wav(100, false);
    qToLittleEndian<quint32>(0x7FFFFFFF, lying.data() + 40);
    EXPECT_EQ(wavDurationMs(put(d, "e.wav", lying)), 100);
}

TEST(Sound, APlayerThatHangsIsStoppedAfterTheSoundsLength)
{
    QTemporaryDir d;
    const QString player = put(d, "player.sh", "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(player, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    RealSound sound(player);
    QElapsedTimer t;
    t.start();
    sound.playSync(put(d, "short.wav", wav(100)));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_GE(t.elapsed(), 1000);

    t.restart();
    sound.playSync(d.filePath("missing.wav")); // plays nothing, at once
    EXPECT_LT(t.elapsed(), 200);
    RealSound noPlayer(d.filePath("no-such-player"));
    noPlayer.playSync(d.filePath("short.wav"));
}
