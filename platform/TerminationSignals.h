#pragma once

// SIGTERM (logout, a shutdown, `kill`), SIGHUP (the terminal closed) and SIGINT (Ctrl-C) as
// requests to end the program the orderly way. The signal handler only wakes the event
// loop; the request runs there, between events, like any other. A signal that was ignored
// when the program started (inherited, as under nohup) stays ignored.
//
// From the first request handler on, the signals stay handled for the object's whole life,
// also while no request handler is set any more: a signal then ends nothing. So a program
// that makes this object first thing in `main` and sets the handler when its event loop is
// about to run ends in order whenever a signal comes from then on: while the loop runs, and
// while it takes down its window and services after the loop.

#include <functional>
#include <memory>

namespace platform {

class TerminationSignals {
public:
    // Handles the three signals, from the first request handler on while this object lives,
    // and runs that handler from the event loop after each. Needs the Qt application only
    // while a request handler is set: without one it may be made before the application and
    // outlive it. One object at a time.
    explicit TerminationSignals(std::function<void()> onRequest = {});
    // Gives the signals back the handling they had before, unless ignoreUntilExit was called.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Replaces what runs after a signal. Once the signals are handled, a signal while no
    // handler is set ends nothing: it is held back, and runs the next handler set once the
    // event loop turns.
    void setRequestHandler(std::function<void()> onRequest);

    // The program is on its way out in order: from now on a signal ends nothing, also once
    // this object has gone and until the process has ended (a sanitizer's or the runtime's
    // work at exit), so that the program ends with its own status.
    void ignoreUntilExit();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
