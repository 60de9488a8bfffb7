// The encoders' worker threads.
//
// One pool per module, started once (on first need or at load) and stopped
// when the module goes: its destructor runs at dlclose and at exit, so an
// unloaded plug-in leaves no thread behind. A batch of tasks is queued; the
// workers take tasks from the oldest batch while its caller takes tasks from
// its own, and each caller waits only for its own batch.
#include "platform/common/EncoderPool.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/common/Encoders.h"

namespace pvcommon {
namespace image {

namespace {

// More helpers than stripes in a picture would only sleep.
constexpr int kMaxWorkers = 15;

struct Batch {
    void (*task)(void*, int);
    void* context;
    int count;
    int next;      // the first task nobody has taken
    int pending;   // tasks not yet finished
    std::condition_variable done;
};

int ProcessorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        return CPU_COUNT(&set);
    return static_cast<int>(std::thread::hardware_concurrency());
}

class Pool {
public:
    ~Pool() { Stop(); }

    bool Start()
    {
        std::lock_guard<std::mutex> life(lifecycle_);
        if (!threads_.empty())
            return true;
        const int wanted = std::min(kMaxWorkers, ProcessorCount() - 1);
        // Workers take no signals: the host's handlers run on the host's threads.
        sigset_t all, old;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &old);
        try {
            threads_.reserve(static_cast<std::size_t>(std::max(wanted, 0)));
            for (int i = 0; i < wanted; ++i) {
                threads_.emplace_back(&Pool::Work, this);
                pthread_setname_np(threads_.back().native_handle(), "pv-encoder");
            }
        } catch (...) {
            // Fewer workers (or none): the callers do the rest.
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        std::lock_guard<std::mutex> lock(mutex_);
        workers_ = static_cast<int>(threads_.size());
        return workers_ > 0;
    }

    void Stop()
    {
        std::lock_guard<std::mutex> life(lifecycle_);
        if (threads_.empty())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            workers_ = 0;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
        threads_.clear();
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }

    int Workers()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return workers_;
    }

    void Run(Batch& batch, bool useWorkers)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (useWorkers && batch.count > 1 && workers_ == 0) {
            lock.unlock();
            Start();
            lock.lock();
        }
        const bool shared = useWorkers && batch.count > 1 && workers_ > 0;
        if (shared) {
            queue_.push_back(&batch);
            // One helper woken here; each helper woken wakes the next while
            // tasks are left. Waking a sleeping thread costs its waker tens
            // of microseconds on a busy machine: the caller would spend them
            // all before it starts on its own task.
            wakes_ += std::min(batch.count - 1, workers_) - 1;
            lock.unlock();
            wake_.notify_one();
            lock.lock();
        }
        while (batch.next < batch.count) {
            const int index = batch.next++;
            if (shared && batch.next == batch.count)
                queue_.erase(std::find(queue_.begin(), queue_.end(), &batch));
            lock.unlock();
            batch.task(batch.context, index);
            lock.lock();
            --batch.pending;
        }
        batch.done.wait(lock, [&batch] { return batch.pending == 0; });
    }

private:
    void Work()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            // Batches still queued are finished by their callers.
            if (stopping_)
                return;
            Batch* batch = queue_.front();
            const int index = batch->next++;
            if (batch->next == batch->count)
                queue_.pop_front();
            const bool more = wakes_ > 0 && !queue_.empty();
            if (more)
                --wakes_;
            else if (queue_.empty())
                wakes_ = 0;
            lock.unlock();
            if (more)
                wake_.notify_one();
            batch->task(batch->context, index);
            lock.lock();
            // Under the lock: the caller cannot return before this is done.
            if (--batch->pending == 0)
                batch->done.notify_one();
        }
    }

    std::mutex lifecycle_;   // Start and Stop, one at a time
    std::vector<std::thread> threads_;
    std::mutex mutex_;       // everything below, and every batch's counters
    std::condition_variable wake_;
    std::deque<Batch*> queue_;
    int workers_ = 0;
    int wakes_ = 0;   // helpers still to be woken by the helpers woken
    bool stopping_ = false;
};

Pool& ThePool()
{
    static Pool pool;
    return pool;
}

} // namespace

void RunTasks(int count, void (*task)(void*, int), void* context, bool useWorkers)
{
    if (count <= 0)
        return;
    Batch batch{task, context, count, 0, count, {}};
    ThePool().Run(batch, useWorkers);
}

int EncoderWorkerCount() { return ThePool().Workers(); }

bool StartEncoderThreads() { return ThePool().Start(); }

void StopEncoderThreads() { ThePool().Stop(); }

} // namespace image
} // namespace pvcommon
