// The call-context stack: every message and function call in progress, the
// innermost on top, so nested calls can find the innermost environment.
#pragma once

#include <cstdint>

#include "fmapi/fm_api.h"

namespace __Quarrow__ {

struct CallContext {
    enum Kind : std::int32_t { kOwn = 0, kMessage = 1, kFunctionCall = 2 };

    std::int32_t kind = kOwn;
    std::uint16_t id = 0;
    const FMExprEnv* environment = nullptr;
    CallContext* link = nullptr;
};

// Head of the process-wide stack (null when empty).
CallContext* TopCallContext();
void PushCallContext(CallContext* record);
// Pops `record`, which must be on top.
void PopCallContext(CallContext* record);
// Environment of the innermost function call, or null.
const FMExprEnv* InnermostEnvironment();

// Pushes on construction, pops on every way out.
class CallContextScope {
public:
    CallContextScope(std::int32_t kind, std::uint16_t id, const FMExprEnv* environment = nullptr)
    {
        record_.kind = kind;
        record_.id = id;
        record_.environment = environment;
        PushCallContext(&record_);
    }
    ~CallContextScope() { PopCallContext(&record_); }
    CallContextScope(const CallContextScope&) = delete;
    CallContextScope& operator=(const CallContextScope&) = delete;

private:
    CallContext record_;
};

} // namespace __Quarrow__
