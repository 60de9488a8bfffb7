// Type-erased holders of task functions. A wrapper holds a shared,
// reference-counted implementation that calls a plain function; copying a
// wrapper shares the implementation.
//
// The signatures in use: deferred-task functions (event kind, task link), see
// DeferredTask.h, and timed-task functions (due time, interval, task link),
// spelled TimedTaskFunction<DueTime, Interval, Link>.
#pragma once

#include <boost/intrusive_ptr.hpp>

#include <stdexcept>
#include <utility>

#include "plugin/RefCountedObj.h"

namespace __Quarrow__ {

class FuncWrapperBase {
public:
    // One concrete implementation per signature.
    class AbstractImp : public RefCountedObj {};
};

template <class Signature>
class FuncWrapper;

template <class R, class... Args>
class FuncWrapper<R(Args...)> : public FuncWrapperBase {
public:
    using Function = R (*)(Args...);

    class Imp : public AbstractImp {
    public:
        explicit Imp(Function function) : function_(function) {}
        R Call(Args... args) const { return function_(std::forward<Args>(args)...); }

    private:
        Function function_;
    };

    // An empty wrapper.
    FuncWrapper() = default;
    // A null function gives an empty wrapper.
    explicit FuncWrapper(Function function) : imp_(function ? new Imp(function) : nullptr) {}

    bool Empty() const { return !imp_; }
    explicit operator bool() const { return !Empty(); }

    // Calling an empty wrapper throws std::runtime_error.
    R operator()(Args... args) const
    {
        if (!imp_)
            throw std::runtime_error("Bad access to an empty function wrapper");
        return imp_->Call(std::forward<Args>(args)...);
    }

    // How many wrappers share the implementation (0 when empty).
    std::int32_t Sharers() const { return imp_ ? imp_->RefCount() : 0; }

private:
    boost::intrusive_ptr<Imp> imp_;
};

// Timed-task functions: (due time, interval, task link).
template <class DueTime, class Interval, class Link>
using TimedTaskFunction = FuncWrapper<void(const DueTime&, const Interval&, Link&)>;

} // namespace __Quarrow__
