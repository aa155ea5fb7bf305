#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Application.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/PageControl.h"
#include "Platform/UI/UIDriver.h"

namespace quorvel::platform {
namespace {

using testing::UIModelTest;

// Puts back the sink and provider the desktop bridge installed.
class AccessibilityRecords : public UIModelTest {
protected:
    void SetUp() override {
        UIModelTest::SetUp();
        sink = Accessibility::sink();
        provider = Accessibility::voiceOverRunningProvider();
    }
    void TearDown() override {
        Accessibility::setSink(sink);
        Accessibility::setVoiceOverRunningProvider(provider);
        Accessibility::setVoiceOverRunningOverride(std::nullopt);
        Application::shared().reset();
        UIModelTest::TearDown();
    }

    std::function<void(const AccessibilityPost&)> sink;
    std::function<bool()> provider;
};

TEST_F(AccessibilityRecords, PostsAreRecordedWithTheirClockTimeAndForwardedToTheSink) {
    std::vector<std::string> forwarded;
    Accessibility::setSink(
        [&](const AccessibilityPost& post) { forwarded.push_back(post.text()); });
    const auto preview = View::make();
    const auto start = clock.now();
    Accessibility::post(AccessibilityNotification::announcement, std::string("Capturing"));
    advance(0.2);
    Accessibility::post(AccessibilityNotification::layoutChanged, std::weak_ptr<View>(preview));
    Accessibility::post(AccessibilityNotification::screenChanged);

    const auto& posts = Accessibility::postedNotifications();
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0].notification, AccessibilityNotification::announcement);
    EXPECT_EQ(posts[0].text(), "Capturing");
    EXPECT_EQ(posts[0].time, start);
    EXPECT_EQ(posts[1].view(), preview);
    EXPECT_EQ(posts[1].time - start, toDuration(std::chrono::duration<double>(0.2)));
    EXPECT_EQ(posts[2].view(), nullptr);
    EXPECT_EQ(forwarded, (std::vector<std::string>{"Capturing", "", ""}));
    Accessibility::clearPosted();
    EXPECT_TRUE(Accessibility::postedNotifications().empty());
}

TEST_F(AccessibilityRecords, TheScreenReaderAnswerComesFromTheOverrideElseTheProvider) {
    Accessibility::setVoiceOverRunningProvider([] { return false; });
    EXPECT_FALSE(Accessibility::isVoiceOverRunning());
    Accessibility::setVoiceOverRunningProvider([] { return true; });
    EXPECT_TRUE(Accessibility::isVoiceOverRunning());
    Accessibility::setVoiceOverRunningOverride(false);
    EXPECT_FALSE(Accessibility::isVoiceOverRunning());
}

TEST_F(AccessibilityRecords, TheReadingOrderFollowsTheElementsListAndSkipsWhatIsNotShown) {
    const auto bar = View::make(Rect::make(0, 0, 390, 50));
    const auto close = Button::make({}, Rect::make(0, 0, 40, 40));
    close->setAccessibilityLabel("Close");
    const auto flash = Button::make({}, Rect::make(300, 0, 40, 40));
    flash->setTitle("Flash", ControlState::normal);
    const auto autoCapture = Button::make({}, Rect::make(150, 0, 40, 40));
    autoCapture->setTitle("Auto", ControlState::normal);
    bar->addSubview(flash);
    bar->addSubview(autoCapture);
    bar->addSubview(close);
    const auto title = Label::make();
    title->setText("Page 1 of 2");
    const auto hiddenLabel = Label::make();
    hiddenLabel->setText("secret");
    hiddenLabel->setHidden(true);
    root->addSubview(bar);
    root->addSubview(title);
    root->addSubview(hiddenLabel);

    const auto labels = [&] {
        std::vector<std::string> out;
        for (const auto& element : Accessibility::orderedElements(window)) {
            out.push_back(element->accessibilityLabel());
        }
        return out;
    };
    EXPECT_EQ(labels(), (std::vector<std::string>{"Flash", "Auto", "Close", "Page 1 of 2"}));
    bar->setAccessibilityElements(std::vector<std::shared_ptr<View>>{close, autoCapture, flash});
    EXPECT_EQ(labels(), (std::vector<std::string>{"Close", "Auto", "Flash", "Page 1 of 2"}));
    // A button's title label is not read on its own.
    EXPECT_FALSE(flash->titleLabel()->isAccessibilityElement());
    // An empty label set on purpose stays empty.
    flash->setAccessibilityLabel("");
    EXPECT_EQ(flash->accessibilityLabel(), "");
    flash->setAccessibilityLabel(std::nullopt);
    EXPECT_EQ(flash->accessibilityLabel(), "Flash");

    autoCapture->setEnabled(false);
    EXPECT_TRUE(contains(autoCapture->accessibilityTraits(),
                         AccessibilityTraits::button | AccessibilityTraits::notEnabled));
    EXPECT_TRUE(contains(title->accessibilityTraits(), AccessibilityTraits::staticText));
    EXPECT_EQ(title->accessibilityFrame(), title->convert(title->bounds(), nullptr));

    // A modal view on top hides everything else.
    const auto sheet = View::make(window->bounds());
    const auto message = Label::make();
    message->setText("Discard?");
    sheet->addSubview(message);
    sheet->setAccessibilityViewIsModal(true);
    window->addSubview(sheet);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Discard?"}));
    // Views out of a window have no reading order.
    sheet->removeFromSuperview();
    EXPECT_TRUE(Accessibility::orderedElements(sheet).empty());
}

TEST_F(AccessibilityRecords, APageControlIsAdjustableAndStepsByTapsArrowsAndIncrements) {
    const auto dots = PageControl::make(Rect::make(95, 700, 200, 30));
    dots->setNumberOfPages(3);
    dots->setCurrentPage(5);
    EXPECT_EQ(dots->currentPage(), 2);
    dots->setCurrentPage(1);
    root->addSubview(dots);
    int changes = 0;
    dots->addAction(ControlEvent::valueChanged, [&](Control&, const Event*) { ++changes; });
    EXPECT_EQ(dots->accessibilityValue(), "page 2 of 3");
    EXPECT_TRUE(contains(dots->accessibilityTraits(), AccessibilityTraits::adjustable));

    UIDriver::tap(*dots, {150, 15});  // right half
    EXPECT_EQ(dots->currentPage(), 2);
    UIDriver::tap(*dots, {150, 15});  // already the last page: no change, no event
    EXPECT_EQ(changes, 1);
    UIDriver::tap(*dots, {20, 15});
    EXPECT_EQ(dots->currentPage(), 1);
    window->setFocusedView(dots);
    window->sendKey(Key::left);
    EXPECT_EQ(dots->currentPage(), 0);
    dots->accessibilityIncrement();
    EXPECT_EQ(dots->currentPage(), 1);
    EXPECT_EQ(changes, 4);

    dots->setHidesForSinglePage(true);
    dots->setNumberOfPages(1);
    EXPECT_FALSE(dots->showsDots());
}

TEST_F(AccessibilityRecords, TheApplicationPostsItsStateChangesAndRecordsOpenedURLs) {
    std::vector<std::string> seen;
    auto center = NotificationCenter::defaultCenter();
    const auto token = center->addObserver("", [&](const Notification& n) {
        if (n.name.rfind("UIApplication", 0) == 0) {
            seen.push_back(n.name);
        }
    });
    auto& app = Application::shared();
    app.enterBackground();
    EXPECT_EQ(app.applicationState(), ApplicationState::background);
    app.enterForeground();
    EXPECT_EQ(app.applicationState(), ApplicationState::active);
    center->removeObserver(token);
    EXPECT_EQ(seen, (std::vector<std::string>{"UIApplicationWillResignActiveNotification",
                                              "UIApplicationDidEnterBackgroundNotification",
                                              "UIApplicationWillEnterForegroundNotification",
                                              "UIApplicationDidBecomeActiveNotification"}));

    EXPECT_TRUE(app.canOpenURL(std::string(Application::openSettingsURLString)));
    EXPECT_FALSE(app.canOpenURL("https://example.org"));
    EXPECT_TRUE(app.openURL("app-settings:"));
    EXPECT_EQ(app.openedURLs(), (std::vector<std::string>{"app-settings:"}));
}

}  // namespace
}  // namespace quorvel::platform
