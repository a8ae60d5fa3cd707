#include "app/offline/frame_workers.h"

#include <algorithm>
#include <chrono>
#include <new>

FrameWorkers::FrameWorkers(int workers, int buffers, size_t frame_bytes, Job job)
    : job_(std::move(job)) {
    workers = std::max(1, workers);
    buffers = std::max(buffers, workers + 1);  // one to fill while each worker writes
    buffers_.resize(static_cast<size_t>(buffers));
    for (auto& buffer : buffers_) {
        buffer.resize(frame_bytes);
        free_.push_back(&buffer);
    }
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

FrameWorkers::~FrameWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    for (auto& thread : threads_) thread.join();
}

std::vector<uint8_t>* FrameWorkers::Acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || !free_.empty(); });
    if (failed_) return nullptr;
    std::vector<uint8_t>* buffer = free_.back();
    free_.pop_back();
    return buffer;
}

void FrameWorkers::Submit(std::vector<uint8_t>* buffer, uint64_t index) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({buffer, index});
    }
    changed_.notify_all();
}

bool FrameWorkers::Finish(std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || (queue_.empty() && running_ == 0); });
    // A failure drops the queue; the jobs already running still end first.
    changed_.wait(lock, [this] { return running_ == 0; });
    if (failed_) error = error_;
    return !failed_;
}

bool FrameWorkers::Failed(std::string& error) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failed_) error = error_;
    return failed_;
}

double FrameWorkers::BusySeconds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_seconds_;
}

void FrameWorkers::Work() {
    using Clock = std::chrono::steady_clock;
    std::string error;
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping
            item = queue_.front();
            queue_.pop_front();
            ++running_;
        }
        const Clock::time_point start = Clock::now();
        error.clear();
        bool ok = false;
        try {
            ok = job_(item.index, *item.buffer, error);
        } catch (const std::bad_alloc&) {
            error = "Out of memory while writing frame " + std::to_string(item.index);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --running_;
            busy_seconds_ += seconds;
            free_.push_back(item.buffer);
            if (!ok && !failed_) {
                failed_ = true;
                error_ = error;
                queue_.clear();
            }
        }
        changed_.notify_all();
    }
}

int DefaultWorkerCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(n, 1u, 8u));
}
