#pragma once
// A few threads that share one job split in parts: Run gives part i to whichever thread is free,
// the calling thread included, and returns once every part is done. The codec filters convert
// pictures in bands with it, beside libavcodec's own slice threads.
//
//   SliceWorkers workers(4);
//   workers.Run(bands, [&](int band) { ConvertBand(band); });
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace ds {

class SliceWorkers {
public:
    explicit SliceWorkers(int threads); // threads - 1 workers; 1 runs every part on the caller
    SliceWorkers(const SliceWorkers&) = delete;
    SliceWorkers& operator=(const SliceWorkers&) = delete;
    ~SliceWorkers();

    int Threads() const { return static_cast<int>(workers_.size()) + 1; }
    void Run(int parts, void (*job)(void* context, int part), void* context);
    template <class F> void Run(int parts, F& f)
    {
        Run(
            parts, [](void* c, int part) { (*static_cast<F*>(c))(part); }, &f);
    }

private:
    void Work();
    bool TakePart(std::unique_lock<std::mutex>& guard); // runs one part; false when none is left

    std::mutex lock_; // guards the fields below
    std::condition_variable wake_, done_;
    void (*job_)(void*, int) = nullptr;
    void* context_ = nullptr;
    int parts_ = 0, next_ = 0, running_ = 0;
    bool quit_ = false;
    std::vector<std::thread> workers_;
};

} // namespace ds
