#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Qt/AccessibilityBridge.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

struct SeenEvent {
    QAccessible::Event type;
    QString name;
    QAccessible::Role role;
    // What Qt 6.4 gives the desktop as an added child's index: its parent's child count.
    int toldIndex;
};

std::vector<SeenEvent>& seenEvents() {
    static std::vector<SeenEvent> events;
    return events;
}

void recordEvent(QAccessibleEvent& event) {
    QAccessibleInterface* target = event.accessibleInterface();
    QAccessibleInterface* parent = target ? target->parent() : nullptr;
    seenEvents().push_back({event.type(), target ? target->text(QAccessible::Name) : QString(),
                            target ? target->role() : QAccessible::NoRole,
                            parent ? parent->childCount() : -1});
}

class AccessibilityBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainRunLoop::discardPendingWork();
        window = Window::make();
        window->makeKeyAndVisible();

        title = Label::make(Rect::make(20, 60, 350, 30));
        title->setText("Page 1 of 2");
        title->setAccessibilityTraits(AccessibilityTraits::header);
        preview = ImageView::make(nullptr, Rect::make(0, 100, 390, 600));
        preview->setIsAccessibilityElement(true);
        preview->setAccessibilityLabel("Camera preview");
        preview->setAccessibilityTraits(AccessibilityTraits::image);
        capture = Button::make({}, Rect::make(155, 720, 80, 80));
        capture->setAccessibilityLabel("Take photo");
        capture->setAccessibilityHint("Takes a photo of the document");
        capture->addAction(ControlEvent::touchUpInside, [this](Control&, const Event*) { ++taps; });
        flash = Button::make({}, Rect::make(320, 60, 44, 44));
        flash->setAccessibilityLabel("Flash off");
        flash->setEnabled(false);
        for (const auto& view :
             std::vector<std::shared_ptr<View>>{preview, title, capture, flash}) {
            window->addSubview(view);
        }

        host = WindowHost::make(window);
        ASSERT_NE(host, nullptr);
        host->show();
        root = QAccessible::queryAccessibleInterface(host->widget());
        ASSERT_NE(root, nullptr);
        seenEvents().clear();
        Accessibility::clearPosted();
    }
    void TearDown() override {
        QAccessible::setActive(false);
        AccessibilityBridge::setEventObserver({});
        Accessibility::setVoiceOverRunningOverride(std::nullopt);
        host.reset();
        window.reset();
        MainRunLoop::discardPendingWork();
    }

    // The names of the window's children, in order, the notification element left out.
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (int i = 0; i < root->childCount(); ++i) {
            if (root->child(i)->role() != QAccessible::Notification) {
                result.push_back(root->child(i)->text(QAccessible::Name).toStdString());
            }
        }
        return result;
    }
    QAccessibleInterface* element(const std::string& name) const {
        for (int i = 0; i < root->childCount(); ++i) {
            if (root->child(i)->text(QAccessible::Name).toStdString() == name) {
                return root->child(i);
            }
        }
        return nullptr;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<Label> title;
    std::shared_ptr<ImageView> preview;
    std::shared_ptr<Button> capture;
    std::shared_ptr<Button> flash;
    std::shared_ptr<WindowHost> host;
    QAccessibleInterface* root = nullptr;
    int taps = 0;
};

TEST_F(AccessibilityBridgeTest, TheWindowListsItsElementsInReadingOrder) {
    EXPECT_EQ(root->role(), QAccessible::Window);
    EXPECT_EQ(root->text(QAccessible::Name), QStringLiteral("QuorvelCapture"));
    EXPECT_EQ(names(), (std::vector<std::string>{"Camera preview", "Page 1 of 2", "Take photo",
                                                 "Flash off"}));
    EXPECT_EQ(root->childCount(), 4) << "no notification element before an announcement";

    window->setAccessibilityElements(std::vector<std::shared_ptr<View>>{title, flash, capture});
    EXPECT_EQ(names(), (std::vector<std::string>{"Page 1 of 2", "Flash off", "Take photo"}));

    window->setAccessibilityElements(std::nullopt);
    title->setHidden(true);
    EXPECT_EQ(names(), (std::vector<std::string>{"Camera preview", "Take photo", "Flash off"}));
}

TEST_F(AccessibilityBridgeTest, LabelsHintsAndTraitsBecomeNamesDescriptionsRolesAndStates) {
    QAccessibleInterface* button = element("Take photo");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Description),
              QStringLiteral("Takes a photo of the document"));
    EXPECT_FALSE(button->state().disabled);
    EXPECT_TRUE(button->state().focusable);

    EXPECT_EQ(element("Page 1 of 2")->role(), QAccessible::Heading);
    EXPECT_EQ(element("Camera preview")->role(), QAccessible::Graphic);
    EXPECT_TRUE(element("Flash off")->state().disabled);

    title->setAccessibilityTraits(AccessibilityTraits::staticText);
    EXPECT_EQ(element("Page 1 of 2")->role(), QAccessible::StaticText);
    title->setText("Page 2 of 2");
    EXPECT_NE(element("Page 2 of 2"), nullptr) << "names follow the label's text";
}

TEST_F(AccessibilityBridgeTest, ElementsKnowTheirWindowPlaceAndFrame) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        EXPECT_EQ(child->parent(), root);
        EXPECT_EQ(root->indexOfChild(child), i);
        EXPECT_EQ(root->child(i), child) << "one interface per element";
    }
    QAccessibleInterface* button = element("Take photo");
    const QPoint origin = host->widget()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(button->rect(), QRect(origin + QPoint(155, 720), QSize(80, 80)));
    EXPECT_EQ(root->childAt(origin.x() + 190, origin.y() + 760), button);
    EXPECT_EQ(root->childAt(origin.x() + 100, origin.y() + 300), element("Camera preview"));
}

TEST_F(AccessibilityBridgeTest, PressingThroughTheScreenReaderActivatesTheControl) {
    QAccessibleActionInterface* actions = element("Take photo")->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(taps, 1);
}

TEST_F(AccessibilityBridgeTest, AnElementOfAViewThatIsGoneIsInvalid) {
    QAccessibleInterface* button = element("Flash off");
    ASSERT_NE(button, nullptr);
    flash->removeFromSuperview();
    flash.reset();
    EXPECT_FALSE(button->isValid());
    EXPECT_EQ(names(), (std::vector<std::string>{"Camera preview", "Page 1 of 2", "Take photo"}));
}

TEST_F(AccessibilityBridgeTest, PostsAreRecordedAndForwardedToTheDesktop) {
    AccessibilityBridge::setEventObserver(recordEvent);

    Accessibility::post(AccessibilityNotification::announcement, std::string("Capturing"));
    ASSERT_EQ(seenEvents().size(), 3u);
    EXPECT_EQ(seenEvents()[0].type, QAccessible::ObjectCreated);
    EXPECT_EQ(seenEvents()[1].type, QAccessible::NameChanged);
    EXPECT_EQ(seenEvents()[1].role, QAccessible::Notification);
    EXPECT_EQ(seenEvents()[1].name, QStringLiteral("Capturing"));
    EXPECT_EQ(seenEvents()[2].type, QAccessible::ObjectShow);
    EXPECT_EQ(root->child(root->childCount() - 1)->text(QAccessible::Name),
              QStringLiteral("Capturing"));

    seenEvents().clear();
    Accessibility::post(AccessibilityNotification::layoutChanged, std::weak_ptr<View>(capture));
    ASSERT_EQ(seenEvents().size(), 1u);
    EXPECT_EQ(seenEvents()[0].type, QAccessible::Focus);
    EXPECT_EQ(seenEvents()[0].name, QStringLiteral("Take photo"));

    seenEvents().clear();
    Accessibility::post(AccessibilityNotification::screenChanged);
    ASSERT_EQ(seenEvents().size(), 2u);
    EXPECT_EQ(seenEvents()[0].type, QAccessible::ObjectDestroyed);
    EXPECT_EQ(seenEvents()[0].name, QStringLiteral("Capturing"));
    EXPECT_EQ(seenEvents()[1].type, QAccessible::Focus);
    EXPECT_EQ(seenEvents()[1].name, QStringLiteral("Camera preview")) << "the first element";

    EXPECT_EQ(Accessibility::postedNotifications().size(), 3u);
}

class PlainScreen : public ViewController {
public:
    static std::shared_ptr<PlainScreen> make() {
        return std::shared_ptr<PlainScreen>(new PlainScreen());
    }
};

std::vector<std::string> namesOf(QAccessible::Event type) {
    std::vector<std::string> result;
    for (const auto& event : seenEvents()) {
        if (event.type == type) {
            result.push_back(event.name.toStdString());
        }
    }
    return result;
}

TEST_F(AccessibilityBridgeTest, AScreenChangeIsToldChildByChildAndStartsTheReaderOnTheNewScreen) {
    AccessibilityBridge::setEventObserver(recordEvent);
    Accessibility::post(AccessibilityNotification::announcement,
                        std::string("Showing page 2 of 2"));
    ASSERT_EQ(names().size(), 4u) << "a client reads the screen";
    for (const auto& view : std::vector<std::shared_ptr<View>>{preview, title, capture, flash}) {
        view->removeFromSuperview();
    }
    auto heading = Label::make(Rect::make(20, 60, 350, 30));
    heading->setText("Crop");
    heading->setAccessibilityTraits(AccessibilityTraits::header);
    auto done = Button::make({}, Rect::make(300, 760, 70, 44));
    done->setAccessibilityLabel("Done");
    window->addSubview(heading);
    window->addSubview(done);
    seenEvents().clear();
    Accessibility::post(AccessibilityNotification::screenChanged, std::string("Crop"));

    // Qt puts a children-reordered event on the desktop bus with a signature its clients reject
    // ("siis(so)"): the change goes out as removed and added children instead.
    EXPECT_TRUE(namesOf(QAccessible::ObjectReorder).empty());
    EXPECT_EQ(namesOf(QAccessible::ObjectDestroyed),
              (std::vector<std::string>{"Showing page 2 of 2", "Camera preview", "Page 1 of 2",
                                        "Take photo", "Flash off"}));
    EXPECT_EQ(namesOf(QAccessible::ObjectCreated), (std::vector<std::string>{"Crop", "Done"}));
    EXPECT_EQ(namesOf(QAccessible::Focus), (std::vector<std::string>{"Crop"}));
    EXPECT_TRUE(namesOf(QAccessible::NameChanged).empty()) << "the heading says it already";
    ASSERT_NE(element("Crop"), nullptr);
    EXPECT_TRUE(element("Crop")->state().focused);
    EXPECT_FALSE(element("Done")->state().focused);
    EXPECT_EQ(root->childCount(), 2) << "the announcement stays with the screen that made it";

    // An alert opening over a screen is a new screen too: the reader starts at its message, and
    // the keyboard focus it takes is followed.
    auto screen = PlainScreen::make();
    window->setRootViewController(screen);
    auto alert = AlertController::make(std::nullopt, "Discard the pages?");
    alert->addAction({"Discard", AlertActionStyle::destructive, {}});
    alert->addAction({"Keep", AlertActionStyle::defaultStyle, {}});
    seenEvents().clear();
    screen->present(alert, false);
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(namesOf(QAccessible::ObjectReorder).empty());
    EXPECT_EQ(namesOf(QAccessible::ObjectDestroyed), (std::vector<std::string>{"Crop", "Done"}));
    EXPECT_EQ(namesOf(QAccessible::ObjectCreated),
              (std::vector<std::string>{"Discard the pages?", "Discard", "Keep"}));
    EXPECT_EQ(namesOf(QAccessible::Focus),
              (std::vector<std::string>{"Keep", "Discard the pages?"}));
    EXPECT_EQ(names(), (std::vector<std::string>{"Discard the pages?", "Discard", "Keep"}));
}

TEST_F(AccessibilityBridgeTest, EachChildOfANewScreenIsToldItsOwnIndex) {
    ASSERT_EQ(names().size(), 4u) << "a client reads the screen";
    for (const auto& view : std::vector<std::shared_ptr<View>>{preview, title, capture, flash}) {
        view->removeFromSuperview();
    }
    for (const char* text : {"Crop", "Cancel", "Done"}) {
        auto button = Button::make({}, Rect::make(20, 760, 70, 44));
        button->setAccessibilityLabel(text);
        window->addSubview(button);
    }
    AccessibilityBridge::setEventObserver(recordEvent);
    Accessibility::post(AccessibilityNotification::screenChanged);
    Accessibility::post(AccessibilityNotification::announcement, std::string("Crop the page"));

    std::vector<std::pair<std::string, int>> added;
    for (const auto& event : seenEvents()) {
        if (event.type == QAccessible::ObjectCreated) {
            added.emplace_back(event.name.toStdString(), event.toldIndex);
        }
    }
    EXPECT_EQ(added, (std::vector<std::pair<std::string, int>>{
                         {"Crop", 0}, {"Cancel", 1}, {"Done", 2}, {"Crop the page", 3}}));
    EXPECT_EQ(root->childCount(), 4) << "counted in full once told";
}

TEST_F(AccessibilityBridgeTest, TheReaderMovesOnWhenItsElementGoesAway) {
    ASSERT_EQ(names().size(), 4u) << "a client reads the screen";
    AccessibilityBridge::setEventObserver(recordEvent);
    const auto focusEvents = [] { return namesOf(QAccessible::Focus).size(); };

    // Hidden: the reader goes on to the next element in reading order.
    Accessibility::post(AccessibilityNotification::layoutChanged, std::weak_ptr<View>(title));
    title->setHidden(true);
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return focusEvents() == 2; }, 20s));
    EXPECT_EQ(AccessibilityBridge::screenReaderFocus(), capture);

    // Removed and gone, with none after it: to the one before.
    Accessibility::post(AccessibilityNotification::layoutChanged, std::weak_ptr<View>(flash));
    flash->removeFromSuperview();
    flash.reset();
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return focusEvents() == 4; }, 20s));
    EXPECT_EQ(namesOf(QAccessible::Focus),
              (std::vector<std::string>{"Page 1 of 2", "Take photo", "Flash off", "Take photo"}));
    EXPECT_TRUE(element("Take photo")->state().focused);
}

TEST_F(AccessibilityBridgeTest, AnAnnouncementLeavesTheTreeOnceItHasGoneOut) {
    AccessibilityBridge::setEventObserver(recordEvent);
    Accessibility::post(AccessibilityNotification::announcement,
                        std::string("Long receipt: section 1 of 2"));
    ASSERT_EQ(root->childCount(), 5);
    QAccessibleInterface* notification = root->child(4);
    ASSERT_EQ(notification->role(), QAccessible::Notification);

    ASSERT_TRUE(
        MainRunLoop::runUntil([] { return !namesOf(QAccessible::ObjectDestroyed).empty(); }, 20s));
    EXPECT_EQ(namesOf(QAccessible::ObjectDestroyed),
              (std::vector<std::string>{"Long receipt: section 1 of 2"}));
    EXPECT_EQ(root->childCount(), 4);
    EXPECT_EQ(root->indexOfChild(notification), -1);
    EXPECT_EQ(notification->text(QAccessible::Name), QStringLiteral("Long receipt: section 1 of 2"))
        << "still readable by a reader that reads it late";
}

TEST_F(AccessibilityBridgeTest, AReaderThatArrivesLaterIsToldWhereItIs) {
    // At launch the first screen's focus event goes out before Qt's link to the desktop is up.
    Accessibility::post(AccessibilityNotification::screenChanged);
    ASSERT_EQ(AccessibilityBridge::screenReaderFocus(), preview);
    AccessibilityBridge::setEventObserver(recordEvent);
    QAccessible::setActive(true);
    ASSERT_TRUE(MainRunLoop::runUntil([] { return !namesOf(QAccessible::Focus).empty(); }, 20s));
    EXPECT_EQ(namesOf(QAccessible::Focus), (std::vector<std::string>{"Camera preview"}));
}

TEST_F(AccessibilityBridgeTest, WhatAnElementSaysIsToldAgainWhenItChanges) {
    // Desktop clients keep the names they have read: a change they are not told of stays
    // unheard ("Page 2 of 2" after paging back to the first page).
    ASSERT_EQ(names().size(), 4u) << "a client reads the screen";
    AccessibilityBridge::setEventObserver(recordEvent);
    title->setText("Page 2 of 2");
    flash->setAccessibilityLabel("Flash on");
    flash->setEnabled(true);
    capture->setAccessibilityHint("Takes the photo now");
    // The window paints what changed; the desktop hears of it first.
    const int paints = host->paintCount();
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return host->paintCount() > paints; }, 20s));
    EXPECT_EQ(namesOf(QAccessible::NameChanged),
              (std::vector<std::string>{"Page 2 of 2", "Flash on"}));
    EXPECT_EQ(namesOf(QAccessible::DescriptionChanged), (std::vector<std::string>{"Take photo"}));
    EXPECT_EQ(namesOf(QAccessible::StateChanged), (std::vector<std::string>{"Flash on"}));
}

TEST_F(AccessibilityBridgeTest, TheScreenReaderRunsWhenQtSaysSoUnlessATestSaysOtherwise) {
    EXPECT_FALSE(QAccessible::isActive()) << "nothing listens off-screen";
    EXPECT_FALSE(Accessibility::isVoiceOverRunning());
    Accessibility::setVoiceOverRunningOverride(true);
    EXPECT_TRUE(Accessibility::isVoiceOverRunning());
    Accessibility::setVoiceOverRunningOverride(false);
    EXPECT_FALSE(Accessibility::isVoiceOverRunning());
}

}  // namespace
}  // namespace quorvel::platform
