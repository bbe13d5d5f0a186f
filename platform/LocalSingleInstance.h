#pragma once

// One running copy per program and user. The running copy holds a lock on a lock file for
// its whole life, and the kernel drops that lock when the process ends, however it ends. So
// a copy that finds the lock held is a later copy, whether or not the running one answers
// in time. Only the running copy listens on the local socket next to the lock file; a later
// copy connects there, asks it to bring its window to the front, and ends. A socket left
// behind by a crashed copy never blocks the next start, and at its end a copy removes the
// socket only if it is still the one it made. Both files lie in a folder that only the user
// can enter (the runtime folder, else a private folder under the temporary folder), the
// socket is open to the user only, and a listener run by another user is never asked to
// come forward.
//
// Anything at the lock file's path that is not a regular file of the user's (a folder, a
// link, a pipe) is cleared away first. A copy that still cannot take a lock does not assume
// it is the only one: it asks the socket instead. The running copy watches its folder, and
// when its socket or lock file is removed or replaced, or the private folder itself goes,
// it puts them back, so that later starts still find it. The watch does not wake the
// program while nothing changes there.

#include <functional>
#include <memory>
#include <string>

#include "platform/Services.h"

namespace platform {

class LocalSingleInstance final : public SingleInstance {
public:
    explicit LocalSingleInstance(const std::string& programName);
    ~LocalSingleInstance() override;
    LocalSingleInstance(const LocalSingleInstance&) = delete;
    LocalSingleInstance& operator=(const LocalSingleInstance&) = delete;

    // The first call decides: true when another copy holds the lock; otherwise this copy
    // takes it, starts listening and becomes the running one. Later calls give the same
    // answer. Needs the Qt application (the listener runs on its event loop).
    bool previousInstance() override;
    // Asks the running copy to come to the front, when it could be reached within a second;
    // does not wait for it to do so.
    void activatePrevious() override;

    // Runs in the running copy, from its event loop, each time a later copy asks it to come
    // to the front.
    void setActivationHandler(std::function<void()> handler);

    // The socket's path; empty when no private folder could be had, and this copy runs alone.
    std::string serverName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
