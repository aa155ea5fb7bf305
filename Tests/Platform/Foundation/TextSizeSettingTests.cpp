#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Foundation/NotificationCenter.h"

using quorvel::platform::ContentSizeCategory;
using quorvel::platform::Notification;
using quorvel::platform::NotificationCenter;
using quorvel::platform::TextSizeSetting;

namespace {

class TextSizeSettingTest : public ::testing::Test {
protected:
    void SetUp() override {
        token_ = NotificationCenter::defaultCenter()->addObserver(
            TextSizeSetting::didChangeNotification, [this](const Notification& notification) {
                received.push_back(notification);
                seenCurrent.push_back(TextSizeSetting::current());
            });
    }
    void TearDown() override {
        NotificationCenter::defaultCenter()->removeObserver(token_);
        TextSizeSetting::set(ContentSizeCategory::large);
    }

    std::vector<Notification> received;
    std::vector<ContentSizeCategory> seenCurrent;

private:
    quorvel::platform::ObserverToken token_;
};

TEST_F(TextSizeSettingTest, AChangeFromTheDefaultPostsTheNewValueOnTheDefaultCentreOnce) {
    EXPECT_EQ(TextSizeSetting::current(), ContentSizeCategory::large);
    TextSizeSetting::set(ContentSizeCategory::large);
    EXPECT_TRUE(received.empty());

    TextSizeSetting::set(ContentSizeCategory::accessibilityExtraLarge);
    TextSizeSetting::set(ContentSizeCategory::accessibilityExtraLarge);
    EXPECT_EQ(TextSizeSetting::current(), ContentSizeCategory::accessibilityExtraLarge);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].name, "UIContentSizeCategoryDidChangeNotification");
    EXPECT_EQ(received[0].userInfo.at(TextSizeSetting::newValueKey),
              "UICTContentSizeCategoryAccessibilityXL");
    // Observers already see the new setting.
    EXPECT_EQ(seenCurrent[0], ContentSizeCategory::accessibilityExtraLarge);
}

TEST(ContentSizeCategory, NamesRoundTripAndAreDistinct) {
    std::vector<std::string> names;
    for (int i = 0; i <= static_cast<int>(ContentSizeCategory::accessibilityExtraExtraExtraLarge);
         ++i) {
        const auto category = static_cast<ContentSizeCategory>(i);
        const auto name = quorvel::platform::contentSizeCategoryName(category);
        EXPECT_EQ(quorvel::platform::contentSizeCategoryFromName(name), category) << name;
        for (const auto& earlier : names) EXPECT_NE(earlier, name);
        names.emplace_back(name);
    }
    EXPECT_EQ(names.size(), 12u);
    EXPECT_EQ(quorvel::platform::contentSizeCategoryName(ContentSizeCategory::large),
              "UICTContentSizeCategoryL");
    EXPECT_FALSE(quorvel::platform::contentSizeCategoryFromName("large"));
}

}  // namespace
