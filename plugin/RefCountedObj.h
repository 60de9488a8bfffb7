// An intrusive reference count for the framework's shared objects (tasks,
// function wrappers). Objects are used on the host's one calling thread, so
// the count is a plain integer.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace __Quarrow__ {

class RefCountedObj {
public:
    RefCountedObj() = default;
    virtual ~RefCountedObj() = default;
    RefCountedObj(const RefCountedObj&) = delete;
    RefCountedObj& operator=(const RefCountedObj&) = delete;

    // Answers the new count. A count below zero means the object was released
    // once too often: std::runtime_error("Bad access to RefCountedObj").
    virtual std::int32_t AddRef()
    {
        if (count_ < 0)
            throw std::runtime_error("Bad access to RefCountedObj");
        return ++count_;
    }
    // Deletes the object when the count drops to 0; answers the new count.
    virtual std::int32_t Release()
    {
        const std::int32_t left = --count_;
        if (left == 0)
            delete this;
        return left;
    }
    virtual std::int32_t RefCount() const { return count_; }

private:
    std::int32_t count_ = 0;
};

// boost::intrusive_ptr support.
inline void intrusive_ptr_add_ref(RefCountedObj* object) { object->AddRef(); }
inline void intrusive_ptr_release(RefCountedObj* object) { object->Release(); }

} // namespace __Quarrow__
