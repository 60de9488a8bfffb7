#include "plugin/CallContext.h"

namespace __Quarrow__ {

namespace {
CallContext* g_top = nullptr;
}

CallContext* TopCallContext() { return g_top; }

void PushCallContext(CallContext* record)
{
    record->link = g_top;
    g_top = record;
}

void PopCallContext(CallContext* record)
{
    if (g_top == record)
        g_top = record->link;
}

const FMExprEnv* InnermostEnvironment()
{
    for (CallContext* c = g_top; c; c = c->link)
        if (c->kind == CallContext::kFunctionCall)
            return c->environment;
    return nullptr;
}

} // namespace __Quarrow__
