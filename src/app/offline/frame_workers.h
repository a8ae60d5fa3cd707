// FrameWorkers: hands rendered frames to worker threads that encode them,
// so the next frame draws while the last ones are written.
//
// A fixed pool of pixel buffers circulates between the thread that renders
// (Acquire a free buffer, fill it, Submit it) and the workers (run the job on
// it, give it back). Acquire waits while every buffer is busy, so at most
// `buffers` frames are in flight and memory stays bounded. With one worker
// the jobs run in submission order (a video encoder needs that); with more,
// in any order. Nothing is allocated per frame.
//
// A job that fails (returns false with a message, or runs out of memory)
// stops the work: the jobs still queued are dropped, Failed() reports the
// first message, and Acquire gives null from then on so the renderer stops
// too. The destructor drops what is queued, waits for the running jobs and
// joins the workers.
// Acquire, Submit, Finish and Failed belong to one thread, the renderer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FrameWorkers {
public:
    // Runs on a worker: encodes frame `index` from `pixels`. Returns false
    // and sets `error` when the frame cannot be written.
    using Job =
        std::function<bool(uint64_t index, const std::vector<uint8_t>& pixels, std::string& error)>;

    FrameWorkers(int workers, int buffers, size_t frame_bytes, Job job);
    ~FrameWorkers();
    FrameWorkers(const FrameWorkers&) = delete;
    FrameWorkers& operator=(const FrameWorkers&) = delete;

    // A free buffer of frame_bytes bytes, waiting for one if need be; null
    // once a job has failed.
    std::vector<uint8_t>* Acquire();
    // Queues the buffer that Acquire gave, filled with frame `index`.
    void Submit(std::vector<uint8_t>* buffer, uint64_t index);
    // Waits until every queued frame is written. False, with the first
    // failure's message, when a job failed.
    bool Finish(std::string& error);
    // True, with the message, once a job has failed.
    bool Failed(std::string& error) const;

    // Seconds the workers spent in jobs so far, summed over the workers.
    double BusySeconds() const;
    int WorkerCount() const { return static_cast<int>(threads_.size()); }

private:
    struct Item {
        std::vector<uint8_t>* buffer;
        uint64_t index;
    };
    void Work();

    Job job_;
    std::vector<std::vector<uint8_t>> buffers_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<uint8_t>*> free_;
    std::deque<Item> queue_;
    int running_ = 0;
    bool stopping_ = false;
    bool failed_ = false;
    std::string error_;
    double busy_seconds_ = 0.0;
    std::vector<std::thread> threads_;
};

// Workers for independent frames: one per processor, at least one, at most 8.
int DefaultWorkerCount();
