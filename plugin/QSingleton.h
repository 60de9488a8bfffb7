// The framework's process-wide objects: one instance slot per (type, number),
// filled and emptied by the owner of the instance.
#pragma once

#include <stdexcept>

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
    static void setInstance(T* instance) { instance_ = instance; }

private:
    static inline T* instance_ = nullptr;
};

} // namespace __Quarrow__
