#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"

using platform::Notification;
using platform::NotificationCenter;
using platform::NotificationUserInfo;
using platform::ObserverToken;

namespace {

struct Owner {
    int calls = 0;
};

class NotificationCenterTest : public ::testing::Test {
  protected:
    std::shared_ptr<NotificationCenter> center = std::make_shared<NotificationCenter>();
};

TEST_F(NotificationCenterTest, DeliversNameAndUserInfoToMatchingBlocksInOrder) {
    std::vector<std::string> log;
    center->addObserver("Changed", [&](const Notification& n) {
        log.push_back("first:" + n.name + ":" + n.userInfo.at("value"));
    });
    center->addObserver("Other", [&](const Notification&) { log.push_back("other"); });
    center->addObserver("Changed", [&](const Notification&) { log.push_back("second"); });

    center->post("Changed", NotificationUserInfo{{"value", "L"}});
    EXPECT_EQ(log, (std::vector<std::string>{"first:Changed:L", "second"}));
}

TEST_F(NotificationCenterTest, AnEmptyNameObservesEveryNotification) {
    std::vector<std::string> names;
    center->addObserver("", [&](const Notification& n) { names.push_back(n.name); });
    center->post("A");
    center->post("B");
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
}

TEST_F(NotificationCenterTest, BlocksRunOnThePostingThreadBeforePostReturns) {
    std::thread::id caller;
    center->addObserver("N", [&](const Notification&) { caller = std::this_thread::get_id(); });
    std::thread poster([&] {
        center->post("N");
        EXPECT_EQ(caller, std::this_thread::get_id());
    });
    poster.join();
}

TEST_F(NotificationCenterTest, SkipsAndDropsObserversThatAreGone) {
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weakOwner = owner;
    center->addObserver("N", owner, [weakOwner](const Notification&) {
        if (auto strong = weakOwner.lock()) ++strong->calls;
    });
    int unownedCalls = 0;
    center->addObserver("N", [&](const Notification&) { ++unownedCalls; });

    center->post("N");
    EXPECT_EQ(owner->calls, 1);
    EXPECT_EQ(center->observerCount(), 2u);

    owner.reset();
    center->post("N");
    EXPECT_EQ(center->observerCount(), 1u);
    EXPECT_EQ(unownedCalls, 2);
}

TEST_F(NotificationCenterTest, KeepsTheObserverAliveWhileItsBlockRuns) {
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> weakOwner = owner;
    bool aliveAfterRelease = false;
    center->addObserver("N", owner, [&](const Notification&) {
        owner.reset();  // The last outside reference goes away mid-call.
        aliveAfterRelease = !weakOwner.expired();
    });
    center->post("N");
    EXPECT_TRUE(aliveAfterRelease);
    EXPECT_TRUE(weakOwner.expired());
}

TEST_F(NotificationCenterTest, RemovesByToken) {
    int calls = 0;
    const auto token = center->addObserver("N", [&](const Notification&) { ++calls; });
    EXPECT_TRUE(token);
    center->post("N");
    center->removeObserver(token);
    center->post("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center->observerCount(), 0u);

    center->removeObserver(token);  // Twice, and an empty token: both ignored.
    center->removeObserver(ObserverToken{});
    EXPECT_FALSE(center->addObserver("N", NotificationCenter::Block{}));  // Registers nothing.
    EXPECT_EQ(center->observerCount(), 0u);
}

TEST_F(NotificationCenterTest, ABlockMayRemoveItself) {
    int calls = 0;
    ObserverToken token;
    token = center->addObserver("N", [&](const Notification&) {
        ++calls;
        center->removeObserver(token);
    });
    center->post("N");
    center->post("N");
    EXPECT_EQ(calls, 1);
}

TEST_F(NotificationCenterTest, ABlockRemovingALaterObserverStopsItInTheSamePost) {
    int laterCalls = 0;
    ObserverToken later;
    center->addObserver("N", [&](const Notification&) { center->removeObserver(later); });
    later = center->addObserver("N", [&](const Notification&) { ++laterCalls; });
    center->post("N");
    EXPECT_EQ(laterCalls, 0);
}

TEST_F(NotificationCenterTest, AnObserverAddedDuringAPostWaitsForTheNextOne) {
    int addedCalls = 0;
    bool added = false;
    center->addObserver("N", [&](const Notification&) {
        if (added) return;
        added = true;
        center->addObserver("N", [&](const Notification&) { ++addedCalls; });
    });
    center->post("N");
    EXPECT_EQ(addedCalls, 0);
    center->post("N");
    EXPECT_EQ(addedCalls, 1);
}

TEST_F(NotificationCenterTest, ABlockMayPostAgain) {
    std::vector<std::string> log;
    center->addObserver("Outer", [&](const Notification&) {
        log.push_back("outer");
        center->post("Inner");
    });
    center->addObserver("Inner", [&](const Notification&) { log.push_back("inner"); });
    center->post("Outer");
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(NotificationCenterTest, RemovesEveryRegistrationOfAnObserverEvenAfterItIsGone) {
    auto owner = std::make_shared<Owner>();
    auto other = std::make_shared<Owner>();
    std::weak_ptr<const void> weakOwner = owner;
    int ownerCalls = 0;
    int otherCalls = 0;
    center->addObserver("A", owner, [&](const Notification&) { ++ownerCalls; });
    center->addObserver("B", owner, [&](const Notification&) { ++ownerCalls; });
    center->addObserver("A", other, [&](const Notification&) { ++otherCalls; });

    center->removeObserver(weakOwner);
    center->post("A");
    center->post("B");
    EXPECT_EQ(ownerCalls, 0);
    EXPECT_EQ(otherCalls, 1);

    owner.reset();
    center->addObserver("A", other, [](const Notification&) {});
    center->removeObserver(std::weak_ptr<const void>(other));
    EXPECT_EQ(center->observerCount(), 0u);
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
