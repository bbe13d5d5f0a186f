#include "platform/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace platform {

FolderWatch::FolderWatch(QByteArray folder, QByteArrayList names, std::function<void()> changed)
    : folder_(std::move(folder)), names_(std::move(names)) {
    // A zero timeout fires once the event loop is back, after the whole burst has been read.
    settled_.setSingleShot(true);
    QObject::connect(&settled_, &QTimer::timeout, &settled_, std::move(changed));
}

FolderWatch::~FolderWatch() {
    stop();
}

void FolderWatch::start() {
    if (fd_ < 0) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) return;
        readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(readable_.get(), &QSocketNotifier::activated, readable_.get(),
                         [this] { readChanges(); });
    }
    if (watch_ >= 0) return;
    watch_ = ::inotify_add_watch(fd_, folder_.constData(),
                                 IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

void FolderWatch::stop() {
    settled_.stop();
    readable_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    watch_ = -1;
}

void FolderWatch::readChanges() {
    alignas(inotify_event) char buffer[4096];
    bool concerned = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // Every event is looked at, even after one that concerns us: the folder's going
            // must be seen.
            concerned = concerns(*event) || concerned;
        }
    }
    if (concerned && !settled_.isActive()) settled_.start(0);
}

bool FolderWatch::concerns(const inotify_event& event) {
    // The kernel's queue overflowed and changes were lost: any of them may have been ours.
    if (event.mask & IN_Q_OVERFLOW) return true;
    if (event.wd != watch_) return false;
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        // The folder went or was moved away; start() watches the one at its path again.
        if (!(event.mask & IN_IGNORED)) ::inotify_rm_watch(fd_, watch_);
        watch_ = -1;
        return true;
    }
    return event.len > 0 && names_.contains(QByteArray(event.name));
}

}  // namespace platform
