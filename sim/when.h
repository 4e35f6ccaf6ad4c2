#pragma once
// When a named fault of a simulated box or mech strikes, counted over the events that fault
// watches (status requests, frames, reads...). Counting starts afresh whenever a fault is set:
// the first event after that is number 1.
//
//   When::never()     the fault is off (the default)
//   When::always()    every event
//   When::first(n)    events 1 .. n, then never again (a mech that answers the third try: 2)
//   When::from(k)     the k-th event and every one after it (a box that goes quiet)

namespace sim {

class When {
public:
    When() = default;
    static When never() { return When(Mode::First, 0); }
    static When always() { return When(Mode::From, 1); }
    static When first(int n) { return When(Mode::First, n < 0 ? 0 : n); }
    static When from(int k) { return When(Mode::From, k < 1 ? 1 : k); }

    // Counts one event; true when the fault strikes it.
    bool strikes()
    {
        // Counting stops where the answer can no longer change, so it never overflows.
        if (seen_ <= n_)
            ++seen_;
        return mode_ == Mode::From ? seen_ >= n_ : seen_ <= n_;
    }

private:
    enum class Mode { First, From };
    When(Mode m, int n) : mode_(m), n_(n) {}

    Mode mode_ = Mode::First;
    int n_ = 0;
    int seen_ = 0;
};

} // namespace sim
