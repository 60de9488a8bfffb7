// The encoders' worker threads.
//
// One pool per module, started once (on first need or at load) and stopped
// when the module goes: its destructor runs at dlclose and at exit, so an
// unloaded plug-in leaves no thread behind. A batch of tasks is queued; the
// workers take tasks from the oldest batch while its caller takes tasks from
// its own, and each caller waits only for its own batch.
//
// A sleeping worker can take from tens of microseconds to a millisecond to
// run again once woken (a virtual machine's idle processors are halted),
// while a 640 x 480 picture's stripes take a fifth of a millisecond on
// helpers that are awake. So a picture about to be drawn readies as many
// helpers as it has stripes but one: they wake while it is drawn (each
// waking up to two more) and watch for its batch, for at most the time it
// may take to draw, then sleep again. (Three of six readied, the late-woken
// rest took stripes late: a median of 0.43 to 0.56 ms against 0.26 with all
// six.)
#include "platform/common/EncoderPool.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

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
            readied_ = 0;
            relays_ = 0;
        }
        leaving_.store(true, std::memory_order_release);
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
        threads_.clear();
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
        leaving_.store(false, std::memory_order_release);
    }

    // A picture's batch is coming within `within`: helpers wake now and
    // watch for it.
    void Ready(int helpers, Clock::duration within)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (workers_ == 0)
                return;
            watchUntil_ = Clock::now() + within;
            readyAt_ = batches_.load(std::memory_order_relaxed);
            const int woken = std::max(0, std::min(helpers, workers_) - readied_);
            if (woken == 0)
                return;
            readied_ += woken;
            relays_ += woken - 1;
        }
        // One woken here: on a virtual machine every wake costs its waker
        // tens of microseconds or more (measured: seven took the drawing
        // thread 0.1 ms, at times 0.5), so each readied helper wakes up to
        // two more and the rest wake in a tree.
        wake_.notify_one();
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
            batches_.fetch_add(1, std::memory_order_release);
            // Helpers readied for it watch already (or are on their way);
            // of the rest, one is woken here and each woken wakes the next
            // while tasks are left. Waking a sleeping thread costs its waker
            // tens of microseconds on a busy machine: the caller would spend
            // them all before it starts on its own task.
            const int sleepers =
                std::min(batch.count - 1, workers_) - watching_.load(std::memory_order_relaxed) - readied_;
            if (sleepers > 0) {
                wakes_ += sleepers - 1;
                lock.unlock();
                wake_.notify_one();
                lock.lock();
            }
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
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty() || readied_ > 0; });
            // Batches still queued are finished by their callers.
            if (stopping_)
                return;
            // Woken readied or not, this helper now counts as the readied
            // one on its way, if any is.
            const bool readied = readied_ > 0;
            if (readied)
                --readied_;
            int relay = 0;
            if (readied && relays_ > 0) {
                relay = std::min(2, relays_);
                relays_ -= relay;
            }
            if (queue_.empty()) {
                if (!readied)
                    continue;
                // Watch for the batch without the lock (none if it came and
                // went while this helper woke).
                const Clock::time_point until = watchUntil_;
                const unsigned seen = readyAt_;
                watching_.fetch_add(1, std::memory_order_relaxed);
                lock.unlock();
                for (; relay > 0; --relay)
                    wake_.notify_one();
                for (unsigned spins = 0; batches_.load(std::memory_order_acquire) == seen &&
                                         !leaving_.load(std::memory_order_acquire);
                     ++spins) {
                    _mm_pause();
                    if (spins % 64 == 63 && Clock::now() > until)
                        break;
                }
                lock.lock();
                watching_.fetch_sub(1, std::memory_order_relaxed);
                continue;
            }
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
            for (; relay > 0; --relay)
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
    int readied_ = 0;   // helpers to wake and watch for a coming batch
    int relays_ = 0;    // of those, the ones readied helpers are still to wake
    Clock::time_point watchUntil_;
    unsigned readyAt_ = 0;            // batches_ when the last picture was readied
    std::atomic<unsigned> batches_{0};   // batches ever queued, read while watching
    std::atomic<bool> leaving_{false};
    std::atomic<int> watching_{0};   // readied helpers watching now
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

void ReadyEncoderThreads(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    const PngStripes plan = PlanPngStripes(width, height);
    if (plan.count < 2)
        return;
    // Drawing takes about a millisecond a megapixel on these charts, more
    // for tall pies: watched for up to twice that and two more.
    const double megapixels = static_cast<double>(width) * static_cast<double>(height) / 1e6;
    const auto within = std::chrono::microseconds(
        static_cast<long long>(std::min(2000.0 + 2000.0 * megapixels, 20000.0)));
    ThePool().Ready(plan.count - 1, within);
}

void StopEncoderThreads() { ThePool().Stop(); }

} // namespace image
} // namespace pvcommon
