#pragma once

// Tells when some names in a folder come or go, or when the folder itself goes. It uses
// inotify, so nothing wakes the program while nothing there changes.

#include <QByteArray>
#include <QByteArrayList>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;
struct inotify_event;

namespace platform {

class FolderWatch final {
public:
    // `changed` runs from the event loop once a burst of changes has been read, never in the
    // middle of one.
    FolderWatch(QByteArray folder, QByteArrayList names, std::function<void()> changed);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching the folder. After the folder has gone, a call watches whatever folder
    // is at that path now. Does nothing while the folder is watched, or without inotify.
    void start();
    // Stops watching and closes the inotify descriptor.
    void stop();

private:
    void readChanges();
    bool concerns(const inotify_event& event);

    QByteArray folder_;
    QByteArrayList names_;
    int fd_ = -1;
    int watch_ = -1;
    std::unique_ptr<QSocketNotifier> readable_;
    QTimer settled_;
};

}  // namespace platform
