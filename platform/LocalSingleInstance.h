#pragma once

// One running copy per program and user, through a local socket. The first copy listens;
// a later copy connects, asks the first to bring its window to the front, and ends. A
// socket left behind by a copy that crashed never blocks the next start. The socket lies
// in a folder only the user can enter (the runtime folder, else a private folder under the
// temporary folder), is open to the user only, and a listener of another user counts as
// no running copy.

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

    // The first call decides: true when another copy answers; otherwise this copy starts
    // listening and becomes the running one. Later calls give the same answer.
    bool previousInstance() override;
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
