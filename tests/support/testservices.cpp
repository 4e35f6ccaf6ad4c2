#include "tests/support/testservices.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testing_support {

int errNumber(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        return plat::errInfo(e).number;
    }
    return 0;
}

int ScriptedDialogs::msgBox(const QString& text, int style, const QString& title)
{
    BoxRecord rec{text, style, title, 0, sched_.nowMs()};
    if (queue_.empty()) {
        ++unexpected_;
        ADD_FAILURE() << "unexpected message box: [" << title.toStdString() << "] " << text.toStdString();
        const int buttons = plat::mb::buttonsOf(style);
        rec.answer = (buttons == plat::mb::YesNo)            ? plat::mb::No
                     : (buttons == plat::mb::RetryCancel)    ? plat::mb::Cancel
                     : (buttons == plat::mb::YesNoCancel)    ? plat::mb::Cancel
                     : (buttons == plat::mb::AbortRetryIgnore) ? plat::mb::Abort
                                                               : plat::mb::OK;
    } else {
        auto fn = std::move(queue_.front());
        queue_.pop_front();
        boxes_.push_back(rec); // visible to the answering action
        rec.answer = fn(rec);
        boxes_.pop_back();
    }
    boxes_.push_back(rec);
    return rec.answer;
}

void ScriptedDialogs::answer(int result, const QString& expectText)
{
    queue_.push_back([result, expectText](const BoxRecord& r) {
        if (!expectText.isEmpty()) {
            EXPECT_TRUE(r.text.contains(expectText))
                << "box text [" << r.text.toStdString() << "] lacks [" << expectText.toStdString() << "]";
        }
        return result;
    });
}

void ScriptedDialogs::answerWith(std::function<int(const BoxRecord&)> fn) { queue_.push_back(std::move(fn)); }

QString ScriptedDialogs::nextFile(const char* kind, const QString& title)
{
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " dialog: " << title.toStdString();
        return {};
    }
    const FileAnswer f = files_.front();
    files_.pop_front();
    if (f.openMs > 0) {
        const plat::Millis end = sched_.nowMs() + f.openMs;
        sched_.pumpUntil([&] { return sched_.nowMs() >= end; }, f.openMs);
    }
    return f.path;
}

QString ScriptedDialogs::openFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    fileDialogs.push_back("open|" + title + "|" + filter + "|" + initialDir);
    return nextFile("open", title);
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    fileDialogs.push_back("save|" + title + "|" + filter + "|" + initialDir);
    return nextFile("save", title);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const auto& b : boxes_)
        out << b.text;
    return out;
}

void TestEnv::endProgram(int code)
{
    ++endCount;
    lastCode = code;
    runClosers();
    throw plat::ProgramEnded{code};
}

struct TestServices::Dir {
    QTemporaryDir tmp;
};

TestServices::TestServices()
    : sched(std::make_unique<plat::VirtualScheduler>()),
      dialogs(std::make_unique<ScriptedDialogs>(*sched)),
      sound(std::make_unique<RecordingSound>()),
      dir_(std::make_unique<Dir>())
{
    env = std::make_unique<TestEnv>(dir_->tmp.path());
}

TestServices::~TestServices() = default;

plat::Services TestServices::services()
{
    plat::Services s;
    s.sched = sched.get();
    s.dialogs = dialogs.get();
    s.sound = sound.get();
    s.env = env.get();
    s.makePort = makePort;
    return s;
}

void TestServices::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = QDir(folder()).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write(bytes);
}

QByteArray TestServices::readFile(const QString& name) const
{
    QFile f(QDir(folder()).filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestServices::fileExists(const QString& name) const { return QFile::exists(QDir(folder()).filePath(name)); }

} // namespace testing_support
