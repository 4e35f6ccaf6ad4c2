// One QApplication for every test binary, on the offscreen platform so windows can be built and
// driven without a display.
#include <QApplication>
#include <gtest/gtest.h>

namespace {
QtMessageHandler previous = nullptr;

// The offscreen platform warns each time a window is shown; that says nothing about the code.
void quietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (msg.contains(QLatin1String("propagateSizeHints")))
        return;
    if (previous)
        previous(type, ctx, msg);
}
} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previous = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
