#include <threadsync>

#include <cstring>
#include <stdexcept>

RecursiveLock::RecursiveLock()
{
    std::memset(&mutex_, 0, sizeof mutex_);
    pthread_mutexattr_t attributes;
    bool made = pthread_mutexattr_init(&attributes) == 0;
    if (made) {
        made = pthread_mutexattr_settype(&attributes, kRecursiveMutexType) == 0 &&
               pthread_mutex_init(&mutex_, &attributes) == 0;
        pthread_mutexattr_destroy(&attributes);
    }
    if (!made)
        throw std::runtime_error("recursive lock cannot be made");
}

RecursiveLock::~RecursiveLock() { pthread_mutex_destroy(&mutex_); }

void RecursiveLock::Lock() { pthread_mutex_lock(&mutex_); }

void RecursiveLock::Unlock() { pthread_mutex_unlock(&mutex_); }

bool RecursiveLock::TryLock() { return pthread_mutex_trylock(&mutex_) == 0; }
