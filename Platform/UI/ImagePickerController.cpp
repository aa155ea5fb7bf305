#include "Platform/UI/ImagePickerController.h"

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

namespace {

ImagePickerController::Chooser& chooser() {
    static ImagePickerController::Chooser instance;
    return instance;
}

}  // namespace

ImagePickerController::ImagePickerController() = default;

std::shared_ptr<ImagePickerController> ImagePickerController::make() {
    return std::shared_ptr<ImagePickerController>(new ImagePickerController());
}

bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType type) {
    return type != ImagePickerSourceType::camera;
}

void ImagePickerController::setChooser(Chooser newChooser) {
    chooser() = std::move(newChooser);
}

bool ImagePickerController::hasChooser() {
    return static_cast<bool>(chooser());
}

void ImagePickerController::loadView() {
    auto root = View::make(Rect{{0, 0}, Window::defaultSize});
    root->setBackgroundColor(Color::white());
    auto title = Label::make();
    title->setText("Photos");
    title->setFont(Font::systemFont(17, FontWeight::semibold));
    title->setTextAlignment(TextAlignment::center);
    title->setAccessibilityTraits(AccessibilityTraits::header | AccessibilityTraits::staticText);
    auto hint = Label::make();
    hint->setText("Choose a picture");
    hint->setTextColor(Color{0.56, 0.56, 0.58, 1});
    hint->setTextAlignment(TextAlignment::center);
    cancelButton_ = Button::make(ButtonParts{.hasTitleLabel = true, .hasImageView = false});
    cancelButton_->setTitle("Cancel", ControlState::normal);
    cancelButton_->setTitleColor(Color{0, 0.478, 1, 1}, ControlState::normal);
    std::weak_ptr<ImagePickerController> weak =
        std::static_pointer_cast<ImagePickerController>(shared_from_this());
    cancelButton_->addAction(ControlEvent::touchUpInside, [weak](Control&, const Event*) {
        if (auto self = weak.lock()) {
            self->didCancel();
        }
    });
    root->addSubview(title);
    root->addSubview(hint);
    root->addSubview(cancelButton_);
    root->setLayoutHandler([title, hint, weak](View& view) {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        const Rect b = view.bounds();
        const double top = view.safeAreaInsets().top;
        title->setFrame(Rect{{80, top}, {std::max(0.0, b.width() - 160), 44}});
        self->cancelButton_->setFrame(Rect{{b.maxX() - 88, top}, {80, 44}});
        hint->setFrame(Rect{{16, b.midY() - 12}, {std::max(0.0, b.width() - 32), 24}});
    });
    setView(root);
}

void ImagePickerController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    answered_ = false;
}

void ImagePickerController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    if (!chooser()) {
        return;
    }
    std::weak_ptr<ImagePickerController> weak =
        std::static_pointer_cast<ImagePickerController>(shared_from_this());
    DispatchQueue::main()->async([weak] {
        auto self = weak.lock();
        if (self && !self->answered_ && chooser()) {
            auto choose = chooser();
            choose(self);
        }
    });
}

void ImagePickerController::didPick(const PickerInfo& info) {
    if (answered_) {
        return;
    }
    answered_ = true;
    const auto keep = shared_from_this();
    if (auto d = delegate()) {
        d->imagePickerControllerDidFinishPickingMediaWithInfo(*this, info);
    } else {
        dismiss(true);
    }
}

void ImagePickerController::didPickImage(std::shared_ptr<Image> image) {
    PickerInfo info;
    info.emplace(std::string(originalImageKey), PickerInfoValue{std::move(image)});
    info.emplace(std::string(mediaTypeKey), PickerInfoValue{std::string("public.image")});
    didPick(info);
}

void ImagePickerController::didCancel() {
    if (answered_) {
        return;
    }
    answered_ = true;
    const auto keep = shared_from_this();
    if (auto d = delegate()) {
        d->imagePickerControllerDidCancel(*this);
    } else {
        dismiss(true);
    }
}

}  // namespace quorvel::platform
