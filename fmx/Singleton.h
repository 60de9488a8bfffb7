// Process-wide objects of the host-access layer. Each instance lives in a
// static area of its holder (no heap); Destroy runs the destructor in place,
// zero-fills the area and clears the instance pointer.
#pragma once

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace fmx {

class SingletonBase {
public:
    virtual ~SingletonBase() = default;
    // Destroys the process-wide instance this object is.
    virtual void Destroy() = 0;
};

template <class T>
class Singleton : public SingletonBase {
public:
    template <class... Args>
    static T& Create(Args&&... args)
    {
        if (instance_)
            throw std::logic_error("fmx::Singleton<> already exists");
        try {
            instance_ = new (static_cast<void*>(Storage())) T(std::forward<Args>(args)...);
        } catch (...) {
            instance_ = nullptr;
            std::memset(Storage(), 0, sizeof(T));
            throw;
        }
        return *instance_;
    }

    static T& GetInstance()
    {
        if (!instance_)
            throw std::runtime_error("Bad access to fmx::Singleton<>::GetInstance");
        return *instance_;
    }

    static bool Exists() { return instance_ != nullptr; }

    static void DestroyInstance()
    {
        if (T* p = instance_) {
            instance_ = nullptr;
            p->~T();
            std::memset(Storage(), 0, sizeof(T));
        }
    }

    void Destroy() override { DestroyInstance(); }

private:
    static unsigned char* Storage()
    {
        alignas(T) static unsigned char area[sizeof(T)];
        return area;
    }
    static inline T* instance_ = nullptr;
};

} // namespace fmx
