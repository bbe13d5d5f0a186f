#pragma once

// SIGTERM (logout, a shutdown, `kill`), SIGHUP (the terminal closed) and SIGINT (Ctrl-C) as
// requests to end the program the orderly way. The signal handler only wakes the event
// loop; the request runs there, between events, like any other. A signal that was ignored
// when the program started (inherited, as under nohup) stays ignored.

#include <functional>
#include <memory>

namespace platform {

class TerminationSignals {
public:
    // Handles the three signals while this object lives and runs `onRequest` from the event
    // loop after each. Needs the Qt application. One object at a time.
    explicit TerminationSignals(std::function<void()> onRequest);
    // Gives the signals back the handling they had before.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
