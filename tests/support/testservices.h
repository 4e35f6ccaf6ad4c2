#pragma once
// Services for tests: virtual time, scripted message boxes and file dialogs, recorded sounds and
// an environment whose endProgram() throws plat::ProgramEnded back to the test.

#include "platform/services.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace testing_support {

// The run-time error number fn raises, or 0 when it raises none.
int errNumber(const std::function<void()>& fn);

struct BoxRecord {
    QString text;
    int style = 0;
    QString title;
    int answer = 0;
    plat::Millis at = 0;
};

// Answers boxes from a queue. A box with nothing queued fails the running test (and answers OK,
// or Cancel where OK is not offered, so the code under test can go on).
class ScriptedDialogs : public plat::Dialogs {
public:
    explicit ScriptedDialogs(plat::Scheduler& s) : sched_(s) {}
    int msgBox(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter, const QString& initialDir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& initialDir) override;

    // Queue the answer to the next box. `expectText`, when given, must be contained in its text.
    void answer(int result, const QString& expectText = {});
    // Queue an action run while the next box is up (the box then answers with its result).
    void answerWith(std::function<int(const BoxRecord&)> fn);
    void answerFile(const QString& path) { files_.push_back({path, 0}); }
    // The next file dialog stays up for openMs of the clock (which runs on meanwhile, as under a
    // real dialog), then answers path.
    void answerFileAfter(const QString& path, plat::Millis openMs) { files_.push_back({path, openMs}); }

    const std::vector<BoxRecord>& boxes() const { return boxes_; }
    QStringList texts() const;
    std::vector<QString> fileDialogs; // "open|title|filter|dir" or "save|..."
    int unexpected() const { return unexpected_; }
    bool allAnswersUsed() const { return queue_.empty() && files_.empty(); }

private:
    plat::Scheduler& sched_;
    std::deque<std::function<int(const BoxRecord&)>> queue_;
    struct FileAnswer {
        QString path;
        plat::Millis openMs = 0;
    };
    QString nextFile(const char* kind, const QString& title);
    std::deque<FileAnswer> files_;
    std::vector<BoxRecord> boxes_;
    int unexpected_ = 0;
};

class RecordingSound : public plat::Sound {
public:
    void playSync(const QString& wavPath) override { played.push_back(wavPath); }
    void beep() override { ++beeps; }
    std::vector<QString> played;
    int beeps = 0;
};

class TestEnv : public plat::AppEnv {
public:
    explicit TestEnv(QString folder) : folder_(std::move(folder)) {}
    QString programFolder() const override { return folder_; }
    bool anotherInstanceRunning() override { return otherInstance; }
    [[noreturn]] void endProgram(int code = 0) override;

    bool otherInstance = false;
    int endCount = 0;
    int lastCode = -1;

private:
    QString folder_;
};

// One bundle per test: a fresh virtual clock, dialogs, sounds and a temporary program folder.
struct TestServices {
    TestServices();
    ~TestServices();
    plat::Services services();
    QString folder() const { return env->programFolder(); }
    // Writes a file into the program folder, bytes as given.
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    bool fileExists(const QString& name) const;

    std::unique_ptr<plat::VirtualScheduler> sched;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<RecordingSound> sound;
    std::unique_ptr<TestEnv> env;
    std::function<std::unique_ptr<plat::SerialPort>()> makePort;

private:
    struct Dir;
    std::unique_ptr<Dir> dir_;
};

} // namespace testing_support
