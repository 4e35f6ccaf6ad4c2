#pragma once
// The memory windows in the whole program on virtual time: opened by their launchers (or the
// limits editor) with a simulated mech in the box, their lists chosen and buttons pressed as a
// user does, data files in the program folder's CoinSets.

#include "platform/textfile.h"
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/frmpromdata.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/valtest_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QLabel>

namespace quenby_tests {

struct MemoryWindowTest : ValtestTest {
    void SetUp() override
    {
        ValtestTest::SetUp();
        QDir(ts.folder()).mkpath(QStringLiteral("CoinSets"));
    }

    plat::NamedControls& ee() { return p->eepromDataForm().controls(); }
    plat::NamedControls& nri() { return p->nriDataForm().controls(); }
    plat::NamedControls& prom() { return p->promDataForm().controls(); }
    bool shown(QWidget* w) const { return w && w->isVisible(); }

    // A user's choice from a list: the entry chosen, then its Click.
    void choose(plat::NamedControls& c, const QString& list, int index)
    {
        c.setValue(list, index);
        emit c.get<QComboBox>(list)->activated(index);
        wait(20);
    }
    // The window's close box, as the window system sends it.
    void closeBox(QWidget* w)
    {
        w->close();
        wait(20);
    }

    // Only the bytes sent since the transcript was last cleared, breaks shown.
    QByteArray sentSince() const { return port->sentWithBreaks(); }
    // The CC word writes in what was sent, each frame 0x7A a high low sum; read requests
    // (0x7B a sum) are stepped over whole, so their bytes are never taken for a write.
    static QList<QByteArray> writeFrames(const QByteArray& sent)
    {
        QList<QByteArray> out;
        const auto sumOk = [&](qsizetype i, int n) {
            int sum = 0;
            for (int k = 0; k < n - 1; ++k)
                sum += quint8(sent[i + k]);
            return i + n <= sent.size() && (sum & 255) == quint8(sent[i + n - 1]);
        };
        for (qsizetype i = 0; i < sent.size();) {
            if (quint8(sent[i]) == 0x7B && sumOk(i, 3)) {
                i += 3;
            } else if (quint8(sent[i]) == 0x7A && sumOk(i, 5)) {
                out << sent.mid(i, 5);
                i += 5;
            } else {
                ++i;
            }
        }
        return out;
    }
    static bool fixedPitch(const QLabel* l) { return QFontInfo(l->font()).fixedPitch(); }
};

} // namespace quenby_tests
