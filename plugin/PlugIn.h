// The framework's plug-in base: the responder chain that holds the product
// object, the message and function handler maps, the two ways in (messages
// and calculation-function calls) and registration with the host.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "fmapi/fm_api.h"
#include "plugin/Message.h"
#include "plugin/RqstHandler.h"

namespace __Quarrow__ {

class Responder;

// The chain's holder: one pointer to its head.
struct ResponderChain {
    Responder* head = nullptr;
};

class Responder {
public:
    // Pushes this responder at the head of the chain; a null chain throws
    // Error(1, -1000).
    Responder(std::int32_t id, ResponderChain* chain);
    virtual ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    virtual void HandleMessage(Message& message) = 0;
    virtual std::int16_t HandleFunctionCall(std::int16_t id, const FMExprEnv* env,
                                            const FMDataVect* args, FMData* result) = 0;

    void ForwardMessage(Message& message);
    std::int16_t ForwardFunctionCall(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                     FMData* result);
    Responder* Find(std::int32_t id);

    std::int32_t Id() const { return id_; }
    Responder* Next() const { return next_; }

private:
    std::int32_t id_;
    ResponderChain* chain_;
    Responder* next_;
};

class PlugIn;

// A message handler: a member of the product object or a plain function.
class MessageHandler {
public:
    using Member = void (PlugIn::*)(Message&);
    using Plain = void (*)(Message&);

    explicit MessageHandler(Member member) : member_(member) {}
    explicit MessageHandler(Plain plain) : plain_(plain) {}
    template <class T>
    static std::unique_ptr<MessageHandler> Bind(void (T::*member)(Message&))
    {
        return std::make_unique<MessageHandler>(static_cast<Member>(member));
    }
    void Call(PlugIn& product, Message& message) const;

private:
    Member member_ = nullptr;
    Plain plain_ = nullptr;
};

class PlugIn : public Responder {
public:
    explicit PlugIn(ResponderChain* chain);
    ~PlugIn() override;

    void HandleMessage(Message& message) override;
    std::int16_t HandleFunctionCall(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                    FMData* result) override;

    virtual void OnHandlersRegistered() {}
    // False when a handler for that kind exists (the existing one is kept).
    virtual bool RegisterMessageHandler(std::uint8_t kind, std::unique_ptr<MessageHandler> handler);
    virtual bool RegisterFunctionHandler(std::uint16_t id, std::unique_ptr<RqstHandler> handler);
    virtual MessageHandler* GetMessageHandler(std::uint8_t kind);
    virtual RqstHandler* GetFunctionHandler(std::uint16_t id);
    virtual std::unique_ptr<MessageHandler> UnregisterMessageHandler(std::uint8_t kind);
    virtual std::unique_ptr<RqstHandler> UnregisterFunctionHandler(std::uint16_t id);
    virtual void DoAppPreferences(Message&) {}
    virtual std::int16_t OnAfterFunctionCall(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*)
    {
        return 0;
    }
    // The framework log: "<plug-in file name>.log" in the plug-in's folder,
    // else in the product folder under the user's documents. OpenLog writes
    // plain lines, its twin OpenSharedLog time-stamped ones; the twin never
    // reaches an OpenLog that a product puts in place of this one. Modes and
    // the size limit are LogStream's.
    virtual bool OpenLog(std::int32_t mode, std::int32_t maxSize);
    virtual bool OpenSharedLog(std::int32_t mode, std::int32_t maxSize);
    virtual void CloseLog();

    // Default initialisation: registers every function with the host.
    void OnInit(Message& message);
    // Default shutdown: unregisters every function.
    void OnShutdown(Message& message);
    void UnregisterAll();

    // The version function a product binds as `PVane_Version`.
    std::int16_t GetVersionInfo(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                FMData* result);

    bool IsRegistered() const { return registered_; }
    const std::map<std::uint16_t, std::unique_ptr<RqstHandler>>& FunctionHandlers() const
    {
        return functions_;
    }

    // ---- process-wide entries
    static void OnMessage(Message& message);
    static std::int16_t OnFunctionCall(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                                       FMData* result) noexcept;
    // The callback registered with the host for every function.
    static std::int16_t FunctionCallback(std::int16_t id, const FMExprEnv* env,
                                         const FMDataVect* args, FMData* result) noexcept;
    // The product object and the chain holder (both null outside a life).
    static PlugIn* Product();
    static ResponderChain* Chain();
    static void SetProduct(PlugIn* product, ResponderChain* chain);
    // Deletes every responder of the chain and the holder; empties both slots.
    static void DestroyProduct();

private:
    bool OpenFrameworkLog(std::int32_t mode, std::int32_t maxSize, bool stamped);
    std::int16_t RegisterWithHost(std::uint16_t id, const RqstHandler& handler);

    std::map<std::uint8_t, std::unique_ptr<MessageHandler>> messages_;
    std::map<std::uint16_t, std::unique_ptr<RqstHandler>> functions_;
    bool registered_ = false;
    // The framework services this object made (and destroys).
    std::uint32_t services_ = 0;
};

// The product's start-up routine: creates the chain holder and the product
// object, registers its handlers; leaves both slots empty on failure.
void RegisterPlugInFunctions();

} // namespace __Quarrow__
