// The support library's recursive lock in the macOS flavour: a recursive
// pthread mutex whose set-up failures each say what failed, and whose later
// failures are internal errors.
#include <threadsync>

#include <cassert>
#include <cstring>
#include <stdexcept>

#include "macos/Locks.h"

RecursiveLock::RecursiveLock()
{
    std::memset(&mutex_, 0, sizeof mutex_);
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        throw std::runtime_error("mutex attributes initialization failed");
    if (pthread_mutexattr_settype(&attributes, kRecursiveMutexType) != 0) {
        pthread_mutexattr_destroy(&attributes);
        throw std::runtime_error("mutex attributes settype failed");
    }
    if (pthread_mutex_init(&mutex_, &attributes) != 0) {
        pthread_mutexattr_destroy(&attributes);
        throw std::runtime_error("mutex initialization failed");
    }
    pthread_mutexattr_destroy(&attributes);
}

RecursiveLock::~RecursiveLock()
{
    const int err = pthread_mutex_destroy(&mutex_);
    assert(0 == err);
    (void)err;
}

void RecursiveLock::Lock()
{
    const int err = pthread_mutex_lock(&mutex_);
    assert(0 == err);
    (void)err;
}

void RecursiveLock::Unlock()
{
    const int err = pthread_mutex_unlock(&mutex_);
    assert(0 == err);
    (void)err;
}

bool RecursiveLock::TryLock() { return pthread_mutex_trylock(&mutex_) == 0; }

namespace mac {

RecursiveLock& ComparisonLock()
{
    static RecursiveLock* const lock = new RecursiveLock;
    return *lock;
}

namespace {

// Built at load all the same, before the host's first message.
RecursiveLock& g_builtAtLoad = ComparisonLock();

} // namespace

} // namespace mac
