#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"

using quorvel::platform::Notification;
using quorvel::platform::NotificationCenter;
using quorvel::platform::NotificationUserInfo;
using quorvel::platform::ObserverToken;

namespace {

struct Owner {
    int calls = 0;
};

class NotificationCenterTest : public ::testing::Test {
protected:
    // A block that appends `entry` to the log.
    NotificationCenter::Block logs(std::string entry) {
        return [this, entry](const Notification&) { log.push_back(entry); };
    }

    std::shared_ptr<NotificationCenter> center = std::make_shared<NotificationCenter>();
    std::vector<std::string> log;
};

TEST_F(NotificationCenterTest, DeliversToMatchingBlocksInRegistrationOrderOnThePostingThread) {
    center->addObserver("Changed", [&](const Notification& n) {
        log.push_back("first:" + n.name + ":" + n.userInfo.at("value"));
    });
    center->addObserver("Other", logs("other"));
    center->addObserver("Changed", logs("second"));
    center->addObserver("", [&](const Notification& n) { log.push_back("any:" + n.name); });
    center->post("Changed", NotificationUserInfo{{"value", "L"}});
    center->post("B");
    EXPECT_EQ(log, (std::vector<std::string>{"first:Changed:L", "second", "any:Changed", "any:B"}));

    std::thread::id caller;
    center->addObserver("N", [&](const Notification&) { caller = std::this_thread::get_id(); });
    std::thread poster([&] {
        center->post("N");
        EXPECT_EQ(caller, std::this_thread::get_id());  // Already run when post returns.
    });
    poster.join();
}

TEST_F(NotificationCenterTest, SkipsAndDropsObserversThatAreGoneButKeepsThemAliveWhileCalled) {
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weakOwner = owner;
    bool aliveAfterRelease = false;
    center->addObserver("N", owner, [&](const Notification&) {
        ++weakOwner.lock()->calls;
        owner.reset();  // The last outside reference goes away mid-call.
        aliveAfterRelease = !weakOwner.expired();
    });
    center->addObserver("N", logs("unowned"));
    center->post("N");
    EXPECT_TRUE(aliveAfterRelease);
    EXPECT_TRUE(weakOwner.expired());
    EXPECT_EQ(center->observerCount(), 2u);
    center->post("N");
    EXPECT_EQ(center->observerCount(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"unowned", "unowned"}));
}

TEST_F(NotificationCenterTest, RemovesByTokenAndIgnoresUnknownTokensAndEmptyBlocks) {
    const auto token = center->addObserver("N", logs("called"));
    EXPECT_TRUE(token);
    center->post("N");
    center->removeObserver(token);
    center->post("N");
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(center->observerCount(), 0u);
    center->removeObserver(token);
    center->removeObserver(ObserverToken{});
    EXPECT_FALSE(center->addObserver("N", NotificationCenter::Block{}));
    EXPECT_EQ(center->observerCount(), 0u);
}

TEST_F(NotificationCenterTest, RemovesEveryRegistrationOfAnObserverEvenAfterItIsGone) {
    auto owner = std::make_shared<Owner>();
    auto other = std::make_shared<Owner>();
    std::weak_ptr<const void> weakOwner = owner;
    center->addObserver("A", owner, logs("owner"));
    center->addObserver("B", owner, logs("owner"));
    center->addObserver("A", other, logs("other"));
    center->removeObserver(weakOwner);
    center->post("A");
    center->post("B");
    EXPECT_EQ(log, std::vector<std::string>{"other"});

    owner.reset();
    center->removeObserver(std::weak_ptr<const void>(other));
    EXPECT_EQ(center->observerCount(), 0u);
}

TEST_F(NotificationCenterTest, BlocksMayRemoveAddAndPostDuringAPost) {
    ObserverToken self;
    ObserverToken later;
    bool added = false;
    self = center->addObserver("N", [&](const Notification&) {
        log.push_back("self");
        center->removeObserver(self);
        center->removeObserver(later);                        // Not called by this post any more.
        if (!added) center->addObserver("N", logs("added"));  // First called by the next post.
        added = true;
        center->post("Inner");
    });
    later = center->addObserver("N", logs("later"));
    center->addObserver("Inner", logs("inner"));
    center->post("N");
    center->post("N");
    EXPECT_EQ(log, (std::vector<std::string>{"self", "inner", "added"}));
}

TEST_F(NotificationCenterTest, PostsFromManyThreadsWhileObserversComeAndGo) {
    std::atomic<int> steadyCalls{0};
    center->addObserver("N", [&](const Notification&) { ++steadyCalls; });
    constexpr int kPosters = 4;
    constexpr int kPostsEach = 500;
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        while (!stop) {
            auto owner = std::make_shared<Owner>();
            const auto token = center->addObserver("N", owner, [](const Notification&) {});
            center->addObserver("N", [](const Notification&) {});
            center->removeObserver(token);
            center->removeObserver(std::weak_ptr<const void>(owner));
        }
    });
    std::vector<std::thread> posters;
    for (int i = 0; i < kPosters; ++i) {
        posters.emplace_back([&] {
            for (int n = 0; n < kPostsEach; ++n) center->post("N");
        });
    }
    for (auto& poster : posters) poster.join();
    stop = true;
    churn.join();
    EXPECT_EQ(steadyCalls.load(), kPosters * kPostsEach);
}

}  // namespace
