#pragma once

// One running copy per program and user. The running copy holds, for its whole life, a lock
// on a file that the kernel releases when the process ends, however it ends: a copy that
// finds the lock held is a later copy, whether or not the running one answers in time. The
// running copy alone listens on a local socket beside the lock; a later copy connects there,
// asks it to bring its window to the front, and ends. A socket left behind by a copy that
// crashed never blocks the next start, and a copy removes the socket at its end only while
// it is still the one it made. Both lie in a folder only the user can enter (the runtime
// folder, else a private folder under the temporary folder), the socket is open to the user
// only, and a listener of another user is never asked to come forward.
//
// Whatever lies at the lock's path that is no lock file of the user's (a folder, a link, a
// pipe) is cleared away first; a copy that still cannot take a lock does not take itself for
// the only one, but asks the socket. The running copy watches its folder (without waking
// while nothing changes there) and, when its socket or lock file is removed or replaced, or
// the private folder itself goes, puts them back, so that later starts still find it.

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
