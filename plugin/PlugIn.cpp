#include "plugin/PlugIn.h"

#include <cstring>
#include <strings.h>
#include <vector>

#include "fmx/FMWrapper.h"
#include "fmx/FilePath.h"
#include "fmx/Plugin.h"
#include "fmx/SpecialFolders.h"
#include "fmx/WideText.h"
#include "plugin/CallContext.h"
#include "plugin/DeferredTask.h"
#include "plugin/Error.h"
#include "plugin/Services.h"
#include "plugin/LogStream.h"

namespace __Quarrow__ {

namespace {
PlugIn* g_product = nullptr;
ResponderChain* g_chain = nullptr;
constexpr std::uint64_t kUnlimited = ~std::uint64_t(0);
} // namespace

// ---- Responder

Responder::Responder(std::int32_t id, ResponderChain* chain) : id_(id), chain_(chain), next_(nullptr)
{
    if (!chain)
        throw MissingArgument();
    next_ = chain->head;
    chain->head = this;
}

Responder::~Responder()
{
    if (chain_) {
        if (chain_->head == this) {
            chain_->head = next_;
        } else {
            for (Responder* r = chain_->head; r; r = r->next_)
                if (r->next_ == this) {
                    r->next_ = next_;
                    break;
                }
        }
    }
    chain_ = nullptr;
    next_ = nullptr;
}

void Responder::ForwardMessage(Message& message)
{
    if (next_)
        next_->HandleMessage(message);
}

std::int16_t Responder::ForwardFunctionCall(std::int16_t id, const FMExprEnv* env,
                                            const FMDataVect* args, FMData* result)
{
    return next_ ? next_->HandleFunctionCall(id, env, args, result) : std::int16_t(-2000);
}

Responder* Responder::Find(std::int32_t id)
{
    for (Responder* r = this; r; r = r->next_)
        if (r->id_ == id)
            return r;
    return nullptr;
}

// ---- MessageHandler

void MessageHandler::Call(PlugIn& product, Message& message) const
{
    if (member_)
        (product.*member_)(message);
    else if (plain_)
        plain_(message);
}

// ---- PlugIn

PlugIn::PlugIn(ResponderChain* chain) : Responder(0, chain), services_(CreateFrameworkServices()) {}

PlugIn::~PlugIn()
{
    messages_.clear();
    functions_.clear();
    // The framework log goes with the plug-in: its closing banner is written
    // and the file kept within its limit.
    LogStream::Close();
    DestroyFrameworkServices(services_);
}

bool PlugIn::RegisterMessageHandler(std::uint8_t kind, std::unique_ptr<MessageHandler> handler)
{
    if (!handler)
        throw MissingArgument();
    return messages_.emplace(kind, std::move(handler)).second;
}

std::int16_t PlugIn::RegisterWithHost(std::uint16_t id, const RqstHandler& handler)
{
    const FunctionDescriptor& d = handler.Descriptor();
    return fmx::Plugin::GetInstance().RegisterFunctions(
        static_cast<std::int16_t>(id), d.name.c_str(), d.prototype.c_str(),
        static_cast<std::int16_t>(d.minArgs), static_cast<std::int16_t>(d.maxArgs), d.flags,
        &PlugIn::FunctionCallback);
}

bool PlugIn::RegisterFunctionHandler(std::uint16_t id, std::unique_ptr<RqstHandler> handler)
{
    if (!handler)
        throw MissingArgument();
    if (registered_ && RegisterWithHost(id, *handler) != 0)
        return false;
    if (functions_.count(id)) {
        if (registered_)
            fmx::Plugin::GetInstance().UnregisterFunctions(static_cast<std::int16_t>(id));
        return false;
    }
    functions_.emplace(id, std::move(handler));
    return true;
}

MessageHandler* PlugIn::GetMessageHandler(std::uint8_t kind)
{
    auto it = messages_.find(kind);
    return it == messages_.end() ? nullptr : it->second.get();
}

RqstHandler* PlugIn::GetFunctionHandler(std::uint16_t id)
{
    auto it = functions_.find(id);
    return it == functions_.end() ? nullptr : it->second.get();
}

std::unique_ptr<MessageHandler> PlugIn::UnregisterMessageHandler(std::uint8_t kind)
{
    auto it = messages_.find(kind);
    if (it == messages_.end())
        return nullptr;
    std::unique_ptr<MessageHandler> handler = std::move(it->second);
    messages_.erase(it);
    return handler;
}

std::unique_ptr<RqstHandler> PlugIn::UnregisterFunctionHandler(std::uint16_t id)
{
    auto it = functions_.find(id);
    if (it == functions_.end())
        return nullptr;
    if (registered_)
        fmx::Plugin::GetInstance().UnregisterFunctions(static_cast<std::int16_t>(id));
    std::unique_ptr<RqstHandler> handler = std::move(it->second);
    functions_.erase(it);
    return handler;
}

bool PlugIn::OpenLog(std::int32_t mode, std::int32_t maxSize) { return OpenFrameworkLog(mode, maxSize, false); }

bool PlugIn::OpenSharedLog(std::int32_t mode, std::int32_t maxSize)
{
    return OpenFrameworkLog(mode, maxSize, true);
}

void PlugIn::CloseLog() { LogStream::Close(); }

bool PlugIn::OpenFrameworkLog(std::int32_t mode, std::int32_t maxSize, bool stamped)
{
    if (mode == LogStream::kClose || LogStream::Current())
        return LogStream::Open(std::wstring(), mode, maxSize, stamped);
    try {
        std::string name;
        if (!fmx::GetPluginFileName(name, false))
            return false;
        name += ".log";
        auto openIn = [&](fmx::FilePath& folder) {
            std::wstring path;
            return folder.SetFileName(name.c_str(), name.size()) && folder.GetSysPath(path) &&
                   LogStream::Open(path, mode, maxSize, stamped);
        };
        fmx::FilePath beside;
        fmx::FilePath documents;
        if (!(beside.SetToPluginFolder() && openIn(beside)) &&
            !(documents.SetToDocumentsFolder(true) && openIn(documents)))
            return false;
        const fmx::Plugin& plugin = fmx::Plugin::GetInstance();
        const std::string product = fmx::WideToUtf8(*plugin.GetInfoString(fmx::Plugin::kInfoName));
        const std::string version = fmx::WideToUtf8(*plugin.GetInfoString(fmx::Plugin::kInfoVersion));
        const std::string platform = fmx::WideToUtf8(*plugin.GetInfoString(fmx::Plugin::kInfoPlatform));
        LogStream::Printf("%s v%s (%s)", product.c_str(), version.c_str(), platform.c_str());
        return true;
    } catch (...) {
        return false;
    }
}

void PlugIn::HandleMessage(Message& message)
{
    if (MessageHandler* handler = GetMessageHandler(message.Kind())) {
        handler->Call(*this, message);
        return;
    }
    switch (message.Kind()) {
    case fmapi::kMsgInit:
        OnInit(message);
        break;
    case fmapi::kMsgShutdown:
        OnShutdown(message);
        break;
    case fmapi::kMsgAppPrefs:
        DoAppPreferences(message);
        break;
    default:
        break;
    }
}

void PlugIn::OnInit(Message& message)
{
    std::vector<std::uint16_t> done;
    for (const auto& entry : functions_) {
        if (RegisterWithHost(entry.first, *entry.second) != 0) {
            for (std::uint16_t id : done)
                fmx::Plugin::GetInstance().UnregisterFunctions(static_cast<std::int16_t>(id));
            message.SetResult(-1);
            return;
        }
        done.push_back(entry.first);
    }
    registered_ = true;
    message.SetResult(message.ExtnVersion());
}

void PlugIn::OnShutdown(Message&) { UnregisterAll(); }

void PlugIn::UnregisterAll()
{
    for (const auto& entry : functions_)
        fmx::Plugin::GetInstance().UnregisterFunctions(static_cast<std::int16_t>(entry.first));
    registered_ = false;
}

std::int16_t PlugIn::HandleFunctionCall(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                        FMData* result)
{
    RqstHandler* handler = GetFunctionHandler(static_cast<std::uint16_t>(id));
    if (!handler)
        return -2000;
    std::int16_t code = handler->HandleRequest(id, env, args, result);
    OnAfterFunctionCall(id, env, args, result);
    return code;
}

// ---- process-wide

PlugIn* PlugIn::Product() { return g_product; }
ResponderChain* PlugIn::Chain() { return g_chain; }

void PlugIn::SetProduct(PlugIn* product, ResponderChain* chain)
{
    g_product = product;
    g_chain = chain;
}

void PlugIn::DestroyProduct()
{
    if (g_chain) {
        while (Responder* head = g_chain->head)
            delete head;
        delete g_chain;
    } else {
        delete g_product;
    }
    g_chain = nullptr;
    g_product = nullptr;
}

void PlugIn::OnMessage(Message& message)
{
    CallContextScope scope(CallContext::kMessage, message.Kind());
    if (!g_product) {
        RegisterPlugInFunctions();
        if (!g_product) {
            message.SetResult(-2);
            return;
        }
    }
    const bool init = message.Kind() == fmapi::kMsgInit;
    try {
        if (g_chain && g_chain->head)
            g_chain->head->HandleMessage(message);
        PumpDeferredTasks(message.Kind(), kUnlimited);
        if (init && message.Result() < 50) {
            // A refused initialisation takes its functions back from the
            // host, so that a later one can register them again.
            if (g_product && g_product->IsRegistered())
                g_product->UnregisterAll();
            DestroyProduct();
            return;
        }
    } catch (...) {
        if (init) {
            // Nothing half-registered stays behind with the host.
            try {
                if (g_product && g_product->IsRegistered())
                    g_product->UnregisterAll();
            } catch (...) {
            }
            DestroyProduct();
            message.SetResult(-2);
        }
        return;
    }
    if (message.Kind() == fmapi::kMsgShutdown)
        DestroyProduct();
}

std::int16_t PlugIn::OnFunctionCall(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                    FMData* result) noexcept
{
    CallContextScope scope(CallContext::kFunctionCall, static_cast<std::uint16_t>(id), env);
    std::int16_t answer = -2000;
    try {
        if (g_product && g_chain && g_chain->head)
            answer = g_chain->head->HandleFunctionCall(id, env, args, result);
        PumpDeferredTasks(DeferredTaskMgr::kEventFunctionCall, kUnlimited);
    } catch (...) {
        answer = -2000;
    }
    return answer;
}

std::int16_t PlugIn::FunctionCallback(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                      FMData* result) noexcept
{
    return OnFunctionCall(id, env, args, result);
}

std::int16_t PlugIn::GetVersionInfo(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    fmx::Plugin& plugin = fmx::Plugin::GetInstance();
    std::uint32_t index = fmx::Plugin::kInfoAll;
    fmx::DataVect arguments(args);
    if (arguments.Size() > 0) {
        fmx::Text text(arguments.AtAsText(0));
        char buffer[256] = {};
        text.GetBytes(buffer, 255, 0, text.GetSize(), kFMEncNative);
        static const struct {
            const char* word;
            std::uint32_t index;
        } words[] = {{"Product", fmx::Plugin::kInfoProduct},
                     {"Version", fmx::Plugin::kInfoVersion},
                     {"Platform", fmx::Plugin::kInfoPlatform},
                     {"Copyright", fmx::Plugin::kInfoNotice}};
        for (const auto& w : words)
            if (strcasecmp(buffer, w.word) == 0) {
                index = w.index;
                break;
            }
    }
    fmx::Text value;
    plugin.GetInfo(index, value);
    fmx::Locale locale(1);
    fmx::Data(result).SetAsText(value, locale);
    return 0;
}

} // namespace __Quarrow__
