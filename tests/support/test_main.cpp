// One QApplication for every test binary, on the offscreen platform so windows can be built and
// driven without a display.
#include "platform/view.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {
QtMessageHandler previous = nullptr;

void testHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    // The offscreen platform warns each time a window is shown; that says nothing about the code.
    if (msg.contains(QLatin1String("propagateSizeHints")))
        return;
    // A control name a window does not have is a fault of the code under test.
    if (ctx.category && qstrcmp(ctx.category, "plat.controls") == 0 && type >= QtCriticalMsg)
        ADD_FAILURE() << msg.toStdString();
    if (previous)
        previous(type, ctx, msg);
}

class ForgetReports : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { plat::forgetUnknownControlReports(); }
};
} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previous = qInstallMessageHandler(testHandler);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetReports);
    return RUN_ALL_TESTS();
}
