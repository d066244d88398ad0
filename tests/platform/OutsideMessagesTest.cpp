// Messages from outside over a private session bus: every request reaches the service's
// handler and its answer the caller, refusals and dropped replies, a missing bus or
// program, a name already taken, and answers given later from another thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <vector>

#include "ScopedEnv.h"
#include "SessionBus.h"
#include "TempFolder.h"
#include "platform/DbusOutsideMessages.h"

namespace corv::test {
namespace {

// Keeps what the service hands over, for the test to answer when it likes.
class Inbox {
public:
    OutsideMessageService::Handler handler()
    {
        return [this](OutsideCall call, OutsideReply reply) {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(std::move(call));
            replies_.push_back(std::move(reply));
            cv_.notify_all();
        };
    }
    // Waits for the next call not yet taken; false when none came within the bound.
    bool take(OutsideCall& call, OutsideReply& reply)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_for(lock, std::chrono::seconds(20), [this] { return !replies_.empty(); }))
            return false;
        call = calls_.front();
        reply = replies_.front();
        calls_.pop_front();
        replies_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<OutsideCall> calls_;
    std::deque<OutsideReply> replies_;
};

OutsideAnswer send(OutsideRequest request, const std::string& name = {}, int timeoutMs = 10000)
{
    return sendOutsideRequest(OutsideCall{request, name}, timeoutMs);
}

class OutsideMessagesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.up()) << bus.error(); }
    SessionBus bus;
};

TEST_F(OutsideMessagesTest, EveryRequestReachesTheHandlerAndItsAnswerTheCaller)
{
    std::mutex mutex;
    std::vector<OutsideCall> received;
    DbusOutsideMessageService service;
    ASSERT_TRUE(service.start([&](OutsideCall call, OutsideReply reply) {
        OutsideAnswer a;
        a.flag = call.request == OutsideRequest::ApplyDpiProfile || call.request == OutsideRequest::GetState;
        a.connected = call.request == OutsideRequest::GetState;
        if (call.request == OutsideRequest::SelectProfile && call.profileName != "新配置文件1") {
            a.status = OutsideStatus::UnknownProfile;
            a.message = "no profile named " + call.profileName;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            received.push_back(call);
        }
        reply.answer(a);
        reply.answer(OutsideAnswer{OutsideStatus::Closing, false, false, "twice"});  // only the first counts
    }));

    EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::Done);
    const OutsideAnswer dpi = send(OutsideRequest::ApplyDpiProfile);
    EXPECT_EQ(dpi.status, OutsideStatus::Done);
    EXPECT_TRUE(dpi.flag);
    const OutsideAnswer key = send(OutsideRequest::ApplyKeyProfile);
    EXPECT_EQ(key.status, OutsideStatus::Done);
    EXPECT_FALSE(key.flag);
    EXPECT_EQ(send(OutsideRequest::ApplyRegProfile).status, OutsideStatus::Done);
    const OutsideAnswer arrived = send(OutsideRequest::DeviceArrived);
    EXPECT_EQ(arrived.status, OutsideStatus::Done);
    EXPECT_FALSE(arrived.flag);
    const OutsideAnswer state = send(OutsideRequest::GetState);
    EXPECT_TRUE(state.flag);
    EXPECT_TRUE(state.connected);
    EXPECT_EQ(send(OutsideRequest::SelectProfile, "新配置文件1").status, OutsideStatus::Done);
    const OutsideAnswer unknown = send(OutsideRequest::SelectProfile, "nope");
    EXPECT_EQ(unknown.status, OutsideStatus::UnknownProfile);
    EXPECT_EQ(unknown.message, "no profile named nope");

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(received.size(), 8u);
    const OutsideRequest order[] = {OutsideRequest::ShowWindow,      OutsideRequest::ApplyDpiProfile,
                                    OutsideRequest::ApplyKeyProfile, OutsideRequest::ApplyRegProfile,
                                    OutsideRequest::DeviceArrived,   OutsideRequest::GetState,
                                    OutsideRequest::SelectProfile,   OutsideRequest::SelectProfile};
    for (std::size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(received[i].request, order[i]) << i;
    EXPECT_EQ(received[6].profileName, "新配置文件1");
}

TEST_F(OutsideMessagesTest, AnswersComeWhenGivenFromAnyThreadAndDroppedRepliesSayClosing)
{
    Inbox inbox;
    DbusOutsideMessageService service;
    ASSERT_TRUE(service.start(inbox.handler()));

    // Answered later, from this thread, while the caller waits.
    auto pending = std::async(std::launch::async, [] { return send(OutsideRequest::ApplyRegProfile); });
    OutsideCall call;
    OutsideReply reply;
    ASSERT_TRUE(inbox.take(call, reply));
    EXPECT_EQ(call.request, OutsideRequest::ApplyRegProfile);
    OutsideAnswer a;
    a.flag = true;
    reply.answer(a);
    const OutsideAnswer got = pending.get();
    EXPECT_EQ(got.status, OutsideStatus::Done);
    EXPECT_TRUE(got.flag);

    // A reply that goes without an answer (its copies too) tells the caller.
    pending = std::async(std::launch::async, [] { return send(OutsideRequest::ShowWindow); });
    ASSERT_TRUE(inbox.take(call, reply));
    {
        const OutsideReply copy = reply;
        reply = OutsideReply();
    }
    EXPECT_EQ(pending.get().status, OutsideStatus::Closing);

    // A caller does not wait for ever; the late answer goes nowhere.
    pending = std::async(std::launch::async, [] { return send(OutsideRequest::GetState, {}, 300); });
    ASSERT_TRUE(inbox.take(call, reply));
    const OutsideAnswer late = pending.get();
    EXPECT_EQ(late.status, OutsideStatus::Failed);
    EXPECT_NE(late.message.find("did not answer"), std::string::npos) << late.message;
    reply.answer(OutsideAnswer{});
    service.stop();
}

TEST_F(OutsideMessagesTest, OneServiceOwnsTheNameAndCallersTellWhenNoneOrNoBusIsThere)
{
    EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::NoInstance);
    {
        DbusOutsideMessageService first;
        ASSERT_TRUE(first.start([](OutsideCall, OutsideReply reply) { reply.answer({}); }));
        DbusOutsideMessageService second;
        EXPECT_FALSE(second.start([](OutsideCall, OutsideReply) {}));
        EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::Done);  // still the first
        first.stop();
        EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::NoInstance);
        EXPECT_TRUE(second.start([](OutsideCall, OutsideReply reply) { reply.answer({}); }));
        EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::Done);
    }

    TempFolder folder;
    {
        ScopedEnv noSocket("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (folder.path() / "no-bus").string());
        EXPECT_EQ(send(OutsideRequest::ShowWindow).status, OutsideStatus::NoBus);
        DbusOutsideMessageService service;
        EXPECT_FALSE(service.start([](OutsideCall, OutsideReply) {}));
    }
    // Without an address only the runtime folder's bus counts; none is launched.
    ScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().string());
    EXPECT_EQ(sessionBusAddress(), "");
    const OutsideAnswer none = send(OutsideRequest::ShowWindow);
    EXPECT_EQ(none.status, OutsideStatus::NoBus);
    EXPECT_NE(none.message.find("DBUS_SESSION_BUS_ADDRESS"), std::string::npos);
}

}  // namespace
}  // namespace corv::test
