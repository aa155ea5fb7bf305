#include "Platform/UI/View.h"

#include <algorithm>
#include <utility>

#include "Platform/Dispatch/MainQueueCheck.h"

namespace quorvel::platform {

View::View(const Rect& frame) : View(frame, nullptr) {}

View::View(const Rect& frame, std::shared_ptr<Layer> layer)
    : layer_(layer ? std::move(layer) : Layer::make()) {
    MainQueueCheck::require("A view's constructor");
    setFrame(frame);
}

std::shared_ptr<View> View::make(const Rect& frame) {
    return std::shared_ptr<View>(new View(frame));
}

Rect View::frame() const {
    return Rect{{center_.x - bounds_.size.width / 2, center_.y - bounds_.size.height / 2},
                bounds_.size};
}

void View::setFrame(const Rect& frame) {
    MainQueueCheck::require("View::setFrame");
    bounds_.size = frame.size;
    center_ = {frame.midX(), frame.midY()};
    layer_->setFrame(this->frame());
}

void View::setCenter(Point center) {
    MainQueueCheck::require("View::setCenter");
    center_ = center;
    layer_->setFrame(frame());
}

void View::setBounds(const Rect& bounds) {
    MainQueueCheck::require("View::setBounds");
    bounds_ = bounds;
    layer_->setFrame(frame());
}

void View::addSubview(const std::shared_ptr<View>& view) {
    MainQueueCheck::require("View::addSubview");
    if (!view || isDescendantOf(*view)) {
        return;
    }
    view->removeFromSuperview();
    view->superview_ = weak_from_this();
    subviews_.push_back(view);
}

void View::removeFromSuperview() {
    MainQueueCheck::require("View::removeFromSuperview");
    auto parent = superview_.lock();
    superview_.reset();
    if (!parent) {
        return;
    }
    auto& siblings = parent->subviews_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [this](const auto& sibling) { return sibling.get() == this; }),
                   siblings.end());
}

bool View::isDescendantOf(const View& ancestor) const {
    if (this == &ancestor) {
        return true;
    }
    for (auto view = superview_.lock(); view; view = view->superview_.lock()) {
        if (view.get() == &ancestor) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag) {
        return shared_from_this();
    }
    for (const auto& subview : subviews_) {
        if (auto found = subview->viewWithTag(tag)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace quorvel::platform
