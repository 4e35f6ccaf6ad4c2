#pragma once
// Keeps a handler from running inside itself when something it calls pumps events (a message
// box, a sound, a wait). The outer run goes on with whatever arrived meanwhile.

namespace plat {

class ReentryGuard {
public:
    explicit ReentryGuard(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
    ~ReentryGuard()
    {
        if (entered_)
            busy_ = false;
    }
    ReentryGuard(const ReentryGuard&) = delete;
    ReentryGuard& operator=(const ReentryGuard&) = delete;
    // False when the handler is already running further up the stack.
    explicit operator bool() const { return entered_; }

private:
    bool& busy_;
    bool entered_;
};

// Counts one holder of a count (a write under way, say) for as long as it lives.
class CountScope {
public:
    explicit CountScope(int& count) : count_(count) { ++count_; }
    ~CountScope() { --count_; }
    CountScope(const CountScope&) = delete;
    CountScope& operator=(const CountScope&) = delete;

private:
    int& count_;
};

} // namespace plat
