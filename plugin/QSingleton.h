// The framework's process-wide objects: one instance slot per (type, number),
// filled and emptied by the owner of the instance. A service made with
// Create lives in a static area of its own slot rather than on the heap.
#pragma once

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace __Quarrow__ {

template <class T, int N = 0>
class Singleton {
public:
    static T& getInstance()
    {
        if (!instance_)
            throw std::runtime_error("Bad access to Singleton::getInstance");
        return *instance_;
    }
    static bool exists() { return instance_ != nullptr; }
    // For an instance its owner made elsewhere (and deletes itself).
    static void setInstance(T* instance) { instance_ = instance; }

    // Constructs the instance in the slot's static area. The slot must be
    // empty (std::logic_error otherwise); a throwing constructor leaves it
    // empty.
    template <class... Args>
    static T& Create(Args&&... args)
    {
        if (instance_)
            throw std::logic_error("Singleton already exists");
        unsigned char* area = Storage();
        try {
            instance_ = new (static_cast<void*>(area)) T(std::forward<Args>(args)...);
        } catch (...) {
            instance_ = nullptr;
            std::memset(area, 0, sizeof(T));
            throw;
        }
        inPlace_ = true;
        return *instance_;
    }

    // Destroys an instance made by Create (the slot is emptied first, so the
    // destructor no longer finds it); one set from outside is only let go.
    static void Destroy()
    {
        T* p = instance_;
        if (!p)
            return;
        instance_ = nullptr;
        if (inPlace_) {
            inPlace_ = false;
            p->~T();
            std::memset(Storage(), 0, sizeof(T));
        }
    }

private:
    static unsigned char* Storage()
    {
        alignas(T) static unsigned char area[sizeof(T)];
        return area;
    }
    static inline T* instance_ = nullptr;
    static inline bool inPlace_ = false;
};

} // namespace __Quarrow__
