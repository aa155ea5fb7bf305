#include "Platform/UI/AlertController.h"

#include <algorithm>

#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

namespace {

constexpr double kCardWidth = 270;
constexpr double kPadding = 16;
constexpr double kButtonHeight = 44;
constexpr Color kActionBlue{0, 0.478, 1, 1};
constexpr Color kDestructiveRed{1, 0.231, 0.188, 1};
constexpr Color kSeparator{0.8, 0.8, 0.8, 1};

}  // namespace

AlertController::AlertController(std::optional<std::string> title,
                                 std::optional<std::string> message, AlertControllerStyle style)
    : alertTitle_(std::move(title)), message_(std::move(message)), style_(style) {
    setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
}

std::shared_ptr<AlertController> AlertController::make(std::optional<std::string> title,
                                                       std::optional<std::string> message,
                                                       AlertControllerStyle style) {
    return std::shared_ptr<AlertController>(
        new AlertController(std::move(title), std::move(message), style));
}

void AlertController::addAction(AlertAction action) {
    actions_.push_back(std::move(action));
    if (isViewLoaded()) {
        rebuildButtons();
    }
}

std::optional<std::size_t> AlertController::cancelActionIndex() const {
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        if (actions_[i].style == AlertActionStyle::cancel) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> AlertController::escapeActionIndex() const {
    if (auto cancel = cancelActionIndex()) {
        return cancel;
    }
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        if (actions_[i].style != AlertActionStyle::destructive) {
            if (found) {
                return std::nullopt;
            }
            found = i;
        }
    }
    return found;
}

void AlertController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    auto window = view()->window();
    if (!window || buttons_.empty()) {
        return;
    }
    // Keys must not reach the screen under the alert: the alert takes the focus.
    if (auto before = window->focusedView(); before && !before->isDescendantOf(*view())) {
        focusBefore_ = before;
    }
    const std::size_t index = escapeActionIndex().value_or(0);
    window->setFocusedView(buttons_[index < buttons_.size() ? index : 0]);
}

void AlertController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    // A screen reader reads the alert from its top.
    Accessibility::post(AccessibilityNotification::screenChanged);
}

void AlertController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    auto before = focusBefore_.lock();
    focusBefore_.reset();
    if (auto window = before ? before->window() : nullptr) {
        auto focused = window->focusedView();
        if (!focused || !focused->window() || focused->isDescendantOf(*view())) {
            window->setFocusedView(before);
        }
    }
}

std::shared_ptr<Button> AlertController::buttonForAction(const std::string& title) {
    loadViewIfNeeded();
    for (std::size_t i = 0; i < actions_.size() && i < buttons_.size(); ++i) {
        if (actions_[i].title == title) {
            return buttons_[i];
        }
    }
    return nullptr;
}

void AlertController::triggerAction(std::size_t index) {
    if (acting_ || index >= actions_.size()) {
        return;
    }
    acting_ = true;
    const AlertAction action = actions_[index];
    const auto keep = shared_from_this();
    dismiss(true, [keep, action] {
        if (action.handler) {
            action.handler(action);
        }
    });
}

void AlertController::loadView() {
    auto root = View::make(Rect{{0, 0}, Window::defaultSize});
    root->setBackgroundColor(Color{0, 0, 0, 0.4});
    root->setAccessibilityViewIsModal(true);
    card_ = View::make(Rect{{0, 0}, {kCardWidth, 100}});
    card_->setBackgroundColor(Color{0.97, 0.97, 0.97, 1});
    card_->layer()->setCornerRadius(14);
    card_->setClipsToBounds(true);
    titleLabel_ = Label::make();
    titleLabel_->setFont(Font::systemFont(17, FontWeight::semibold));
    titleLabel_->setTextAlignment(TextAlignment::center);
    titleLabel_->setNumberOfLines(0);
    titleLabel_->setAccessibilityTraits(AccessibilityTraits::header |
                                        AccessibilityTraits::staticText);
    messageLabel_ = Label::make();
    messageLabel_->setFont(Font::systemFont(13));
    messageLabel_->setTextAlignment(TextAlignment::center);
    messageLabel_->setNumberOfLines(0);
    card_->addSubview(titleLabel_);
    card_->addSubview(messageLabel_);
    root->addSubview(card_);
    std::weak_ptr<AlertController> weak =
        std::static_pointer_cast<AlertController>(shared_from_this());
    root->setLayoutHandler([weak](View& view) {
        if (auto self = weak.lock()) {
            self->layoutCard(view);
        }
    });
    setView(root);
    rebuildButtons();
}

void AlertController::rebuildButtons() {
    for (const auto& button : buttons_) {
        button->removeFromSuperview();
    }
    buttons_.clear();
    std::weak_ptr<AlertController> weak =
        std::static_pointer_cast<AlertController>(shared_from_this());
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        const auto& action = actions_[i];
        auto button = Button::make(ButtonParts{.hasTitleLabel = true, .hasImageView = false});
        button->setTitle(action.title, ControlState::normal);
        button->setTitleColor(
            action.style == AlertActionStyle::destructive ? kDestructiveRed : kActionBlue,
            ControlState::normal);
        button->titleLabel()->setFont(Font::systemFont(17, action.style == AlertActionStyle::cancel
                                                               ? FontWeight::semibold
                                                               : FontWeight::regular));
        button->layer()->setBorderColor(kSeparator);
        button->layer()->setBorderWidth(0.5);
        button->addAction(ControlEvent::touchUpInside, [weak, i](Control&, const Event*) {
            if (auto self = weak.lock()) {
                self->triggerAction(i);
            }
        });
        card_->addSubview(button);
        buttons_.push_back(button);
    }
    if (auto root = viewIfLoaded()) {
        root->setNeedsLayout();
    }
}

void AlertController::layoutCard(View& root) {
    const double textWidth = kCardWidth - 2 * kPadding;
    titleLabel_->setText(alertTitle_.value_or(std::string()));
    messageLabel_->setText(message_.value_or(std::string()));
    double y = kPadding + 4;
    if (!titleLabel_->text().empty()) {
        const Size size = titleLabel_->sizeThatFits(Size{textWidth, 0});
        titleLabel_->setFrame(Rect{{kPadding, y}, {textWidth, size.height}});
        y += size.height + 4;
    }
    titleLabel_->setHidden(titleLabel_->text().empty());
    if (!messageLabel_->text().empty()) {
        const Size size = messageLabel_->sizeThatFits(Size{textWidth, 0});
        messageLabel_->setFrame(Rect{{kPadding, y}, {textWidth, size.height}});
        y += size.height;
    }
    messageLabel_->setHidden(messageLabel_->text().empty());
    y += kPadding + 4;

    // Two actions side by side, else one per row with the cancel action last.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (actions_[i].style != AlertActionStyle::cancel) {
            order.push_back(i);
        }
    }
    if (auto cancel = cancelActionIndex(); cancel && *cancel < buttons_.size()) {
        if (buttons_.size() == 2) {
            order.insert(order.begin(), *cancel);
        } else {
            order.push_back(*cancel);
        }
    }
    if (buttons_.size() == 2) {
        for (std::size_t k = 0; k < 2; ++k) {
            buttons_[order[k]]->setFrame(
                Rect{{k * kCardWidth / 2, y}, {kCardWidth / 2, kButtonHeight}});
        }
        y += kButtonHeight;
    } else {
        for (const auto index : order) {
            buttons_[index]->setFrame(Rect{{0, y}, {kCardWidth, kButtonHeight}});
            y += kButtonHeight;
        }
    }
    const Rect b = root.bounds();
    card_->setFrame(Rect{{b.midX() - kCardWidth / 2, b.midY() - y / 2}, {kCardWidth, y}});
}

}  // namespace quorvel::platform
