#include "resources/artwork/DrawAhead.h"

#include <algorithm>
#include <system_error>

namespace resources {

DrawAhead::DrawAhead(std::function<QImage(const Request&)> draw, int threads)
    : draw_(std::move(draw)), most_(std::size_t(std::max(1, threads))) {}

DrawAhead::~DrawAhead() {
    std::list<Worker> workers;
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        queued_.clear();
        workers.swap(workers_);
    }
    for (Worker& w : workers) w.thread.join();
}

void DrawAhead::ask(const QString& key, const Request& request) {
    const std::lock_guard lock(mutex_);
    const auto same = [&key](const auto& queued) { return queued.first == key; };
    if (ending_ || drawing_.contains(key) || drawn_.contains(key) ||
        std::any_of(queued_.begin(), queued_.end(), same))
        return;
    queued_.emplace_back(key, request);
    // Workers that found nothing left have ended, or are about to: they are let go.
    std::size_t running = 0;
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (!it->done) {
            ++running;
            ++it;
        } else {
            it->thread.join();
            it = workers_.erase(it);
        }
    }
    if (running >= most_ || running >= queued_.size() + drawing_.size()) return;
    Worker& worker = workers_.emplace_back();
    try {
        worker.thread = std::thread([this, &worker] { work(worker); });
    } catch (const std::system_error&) {
        // No thread to be had: what none takes is drawn when it is asked for.
        workers_.pop_back();
    }
}

QImage DrawAhead::take(const QString& key) {
    std::unique_lock lock(mutex_);
    drawnOne_.wait(lock, [&] { return !drawing_.contains(key); });
    if (const auto it = drawn_.find(key); it != drawn_.end()) {
        QImage image = std::move(*it);
        drawn_.erase(it);
        return image;
    }
    // Asked for before its turn came: the caller draws it at once.
    const auto same = [&key](const auto& queued) { return queued.first == key; };
    queued_.erase(std::remove_if(queued_.begin(), queued_.end(), same), queued_.end());
    return {};
}

void DrawAhead::work(Worker& worker) {
    std::unique_lock lock(mutex_);
    while (!ending_ && !queued_.empty()) {
        const auto [key, request] = std::move(queued_.front());
        queued_.pop_front();
        drawing_.insert(key);
        lock.unlock();
        QImage image = draw_(request);
        lock.lock();
        drawing_.remove(key);
        if (!ending_ && !image.isNull()) drawn_.insert(key, std::move(image));
        drawnOne_.notify_all();
    }
    worker.done = true;
}

}  // namespace resources
