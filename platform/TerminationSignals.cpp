#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace platform {

namespace {
constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int HandledCount = sizeof(Handled) / sizeof(Handled[0]);

// The pipe's writing end, for the handler: a signal handler can reach nothing else.
std::atomic<int> wakeFd{-1};

void wakeEventLoop(int) {
    const int saved = errno;
    const int fd = wakeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const char byte = 1;
        const ssize_t written = ::write(fd, &byte, 1);
        (void)written;  // a full pipe already holds a wake-up
    }
    errno = saved;
}
}  // namespace

struct TerminationSignals::Impl {
    std::function<void()> onRequest;
    int pipe[2] = {-1, -1};
    // Only while a request handler is set: then the event loop reads the pipe.
    std::unique_ptr<QSocketNotifier> readable;
    struct sigaction before[HandledCount] = {};
    bool installed[HandledCount] = {};
    bool handling = false;     // the handler is in place, from the first request handler on
    bool ignoreAfter = false;  // at the object's end the signals are ignored, not given back

    void install();

    void request() {
        char bytes[64];
        while (::read(pipe[0], bytes, sizeof(bytes)) > 0) {
        }
        // A copy: the request may replace the handler while it runs.
        const std::function<void()> run = onRequest;
        if (run) run();
    }
};

TerminationSignals::TerminationSignals(std::function<void()> onRequest)
    : d_(std::make_unique<Impl>()) {
    if (::pipe2(d_->pipe, O_NONBLOCK | O_CLOEXEC) != 0) return;
    wakeFd.store(d_->pipe[1]);
    setRequestHandler(std::move(onRequest));
}

void TerminationSignals::Impl::install() {
    if (handling) return;
    handling = true;
    struct sigaction action {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < HandledCount; ++i) {
        if (::sigaction(Handled[i], nullptr, &before[i]) != 0) continue;
        if (before[i].sa_handler == SIG_IGN) continue;  // ignored from the start
        installed[i] = ::sigaction(Handled[i], &action, nullptr) == 0;
    }
}

void TerminationSignals::setRequestHandler(std::function<void()> onRequest) {
    d_->onRequest = std::move(onRequest);
    if (!d_->onRequest) {
        // What comes now stays in the pipe (or is dropped when the pipe is full).
        d_->readable.reset();
        return;
    }
    if (d_->pipe[0] < 0) return;
    d_->install();
    if (d_->readable) return;
    // A wake-up already in the pipe is seen as soon as the event loop turns.
    d_->readable = std::make_unique<QSocketNotifier>(d_->pipe[0], QSocketNotifier::Read);
    QObject::connect(d_->readable.get(), &QSocketNotifier::activated, d_->readable.get(),
                     [impl = d_.get()] { impl->request(); });
}

void TerminationSignals::ignoreUntilExit() {
    setRequestHandler({});
    d_->ignoreAfter = d_->handling;
}

TerminationSignals::~TerminationSignals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int i = 0; i < HandledCount; ++i)
        if (d_->installed[i])
            ::sigaction(Handled[i], d_->ignoreAfter ? &ignore : &d_->before[i], nullptr);
    wakeFd.store(-1);
    d_->readable.reset();
    for (const int fd : d_->pipe)
        if (fd >= 0) ::close(fd);
}

}  // namespace platform
