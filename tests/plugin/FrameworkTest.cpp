#include <gtest/gtest.h>

#include "fmapi/fm_host.h"
#include "fmx/Plugin.h"
#include "plugin/Error.h"
#include "plugin/PlugIn.h"
#include "support/plugin_harness.h"

namespace {

using namespace __Quarrow__;

struct Probe : Responder {
    Probe(std::int32_t id, ResponderChain* chain) : Responder(id, chain) {}
    void HandleMessage(Message&) override { ++messages; }
    std::int16_t HandleFunctionCall(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) override
    {
        return 42;
    }
    int messages = 0;
};

TEST(ResponderChain, PushesAtTheHeadAndUnlinksFromAnywhere)
{
    ResponderChain chain;
    auto* a = new Probe(1, &chain);
    auto* b = new Probe(2, &chain);
    auto* c = new Probe(3, &chain);
    EXPECT_EQ(chain.head, c);
    EXPECT_EQ(c->Find(1), a);
    EXPECT_EQ(c->Find(9), nullptr);
    EXPECT_EQ(c->ForwardFunctionCall(0, nullptr, nullptr, nullptr), 42);  // b answers
    EXPECT_EQ(a->ForwardFunctionCall(0, nullptr, nullptr, nullptr), -2000);  // none after a
    delete b;  // from the middle
    EXPECT_EQ(c->Next(), a);
    delete c;  // the head
    EXPECT_EQ(chain.head, a);
    delete a;
    EXPECT_EQ(chain.head, nullptr);
}

TEST(ResponderChain, NullHolderIsAMissingArgument)
{
    try {
        Probe p(1, nullptr);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Kind(), 1);
        EXPECT_EQ(e.Code(), -1000);
    }
}

std::int16_t Answer7(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { return 7; }
std::int16_t Answer8(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { return 8; }

struct Product : PlugIn {
    using PlugIn::PlugIn;
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fmx::Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
        chain_ = new ResponderChain;
        product_ = new Product(chain_);
        PlugIn::SetProduct(product_, chain_);
    }
    void TearDown() override
    {
        PlugIn::DestroyProduct();
        fmx::Plugin::DestroyInstance();
    }
    std::unique_ptr<RqstHandler> Handler(RqstHandler::Plain f, std::uint16_t min = 0, std::uint16_t max = 1,
                                         std::uint32_t flags = 0x0300FF01u, const wchar_t* name = L"F")
    {
        return std::make_unique<RqstHandler>(f, name, name, min, max, flags);
    }
    std::intptr_t InitMessage(std::int16_t extn = 52)
    {
        fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgInit);
        r.extnVersion = extn;
        Message m(&r);
        product_->HandleMessage(m);
        return r.result;
    }
    ResponderChain* chain_ = nullptr;
    Product* product_ = nullptr;
};

TEST_F(FrameworkTest, SecondHandlerForAnIdKeepsTheFirst)
{
    EXPECT_TRUE(product_->RegisterFunctionHandler(5, Handler(Answer7)));
    EXPECT_FALSE(product_->RegisterFunctionHandler(5, Handler(Answer8)));
    EXPECT_EQ(product_->HandleFunctionCall(5, nullptr, nullptr, nullptr), 7);
    EXPECT_EQ(product_->HandleFunctionCall(6, nullptr, nullptr, nullptr), -2000);
    EXPECT_THROW(product_->RegisterFunctionHandler(6, nullptr), Error);
}

TEST_F(FrameworkTest, MessageHandlersKeepTheFirstAndCanBeTakenBack)
{
    static int calls = 0;
    auto note = [](Message&) { ++calls; };
    EXPECT_TRUE(product_->RegisterMessageHandler(1, std::make_unique<MessageHandler>(+note)));
    EXPECT_FALSE(product_->RegisterMessageHandler(1, std::make_unique<MessageHandler>(+note)));
    fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgIdle);
    Message m(&r);
    product_->HandleMessage(m);
    EXPECT_EQ(calls, 1);
    auto taken = product_->UnregisterMessageHandler(1);
    EXPECT_NE(taken, nullptr);
    EXPECT_EQ(product_->UnregisterMessageHandler(1), nullptr);
    product_->HandleMessage(m);
    EXPECT_EQ(calls, 1);
}

TEST_F(FrameworkTest, PreferencesWithoutAHandlerLeaveTheResult)
{
    fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgAppPrefs);
    r.result = 5;
    Message m(&r);
    product_->HandleMessage(m);
    EXPECT_EQ(std::intptr_t(r.result), 5);
    EXPECT_THROW(m.SetResult(1), Error);
}

TEST_F(FrameworkTest, InitialisationRegistersEveryFunctionWithTheHost)
{
    ASSERT_TRUE(product_->RegisterFunctionHandler(3, Handler(Answer7, 0, 0xFFFF, 0x1300FF01u, L"Unlimited")));
    ASSERT_TRUE(product_->RegisterFunctionHandler(1, Handler(Answer8, 1, 2, 0x0300FF01u, L"Two")));
    EXPECT_EQ(InitMessage(52), 52);
    EXPECT_TRUE(product_->IsRegistered());
    FMHostFunction f;
    ASSERT_TRUE(FMH_Registry_Find(u"Unlimited", &f));
    EXPECT_EQ(f.maxArgs, -1);
    EXPECT_EQ(f.flags, 0x0000FF01u);  // the high byte never reaches the host
    EXPECT_EQ(f.pluginId, 0x504C564Eu);
    ASSERT_TRUE(FMH_Registry_Find(u"Two", &f));
    EXPECT_EQ(f.minArgs, 1);
    EXPECT_EQ(f.maxArgs, 2);

    // While registered, new handlers reach the host at once...
    ASSERT_TRUE(product_->RegisterFunctionHandler(9, Handler(Answer7, 0, 1, 0, L"Late")));
    EXPECT_TRUE(FMH_Registry_Find(u"Late", &f));
    // ...a duplicate id is refused and unregistered again...
    EXPECT_FALSE(product_->RegisterFunctionHandler(9, Handler(Answer8, 0, 1, 0, L"Late2")));
    // ...and removing a handler unregisters it.
    EXPECT_NE(product_->UnregisterFunctionHandler(1), nullptr);
    EXPECT_FALSE(FMH_Registry_Find(u"Two", &f));

    fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgShutdown);
    Message m(&r);
    product_->HandleMessage(m);
    EXPECT_FALSE(product_->IsRegistered());
    EXPECT_FALSE(FMH_Registry_Find(u"Unlimited", &f));
}

TEST_F(FrameworkTest, BadDescriptorIsRefusedBeforeTheHostAndUndoesEarlierOnes)
{
    ASSERT_TRUE(product_->RegisterFunctionHandler(1, Handler(Answer7, 0, 1, 0, L"First")));
    ASSERT_TRUE(product_->RegisterFunctionHandler(2, Handler(Answer7, 2, 1, 0, L"Bad")));
    EXPECT_EQ(InitMessage(52), -1);
    EXPECT_FALSE(product_->IsRegistered());
    FMHostFunction f;
    EXPECT_FALSE(FMH_Registry_Find(u"First", &f));
    EXPECT_FALSE(FMH_Registry_Find(u"Bad", &f));
    EXPECT_EQ(FMH_Registry_Count(), 0);
}

} // namespace

namespace {

struct FailingInit : __Quarrow__::PlugIn {
    using PlugIn::PlugIn;
    void Init(__Quarrow__::Message& m)
    {
        OnInit(m);  // registers everything...
        throw std::runtime_error("late failure");  // ...then fails
    }
};

std::int16_t Nothing(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { return 0; }

TEST(FrameworkInit, ExceptionAfterRegistrationLeavesNothingRegistered)
{
    using namespace __Quarrow__;
    fmx::Plugin::Create(std::int16_t(52), std::uint8_t(1), u"x", std::uint8_t(1), std::uint16_t(0), nullptr);
    auto* chain = new ResponderChain;
    auto* product = new FailingInit(chain);
    PlugIn::SetProduct(product, chain);
    product->RegisterMessageHandler(0, MessageHandler::Bind(&FailingInit::Init));
    product->RegisterFunctionHandler(1, std::make_unique<RqstHandler>(&Nothing, L"One", L"One", 0, 1, 0u));
    product->RegisterFunctionHandler(2, std::make_unique<RqstHandler>(&Nothing, L"Two", L"Two", 0, 1, 0u));
    fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgInit);
    r.extnVersion = 52;
    Message m(&r);
    PlugIn::OnMessage(m);
    EXPECT_EQ(std::intptr_t(r.result), -2);
    EXPECT_EQ(PlugIn::Product(), nullptr);
    EXPECT_EQ(FMH_Registry_Count(), 0);
    fmx::Plugin::DestroyInstance();
}

} // namespace
