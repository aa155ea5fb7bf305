#include "Source/Crop/ViewControllers/CropViewController.h"

#include <cmath>
#include <utility>

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/UI/NavigationController.h"
#include "Source/Configuration/ButtonStyling.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/LocalizedText.h"
#include "Source/Configuration/Logger.h"
#include "Source/Crop/ViewControllers/CropViewControllerNib.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

namespace {

constexpr double noEdgeDistance = 100000.0;
// The least distance, on the axis that separates them, between a handle's centre and its
// neighbours'.
constexpr double handleSpacing = 30;

// The handle's place in the order top-left, top-right, bottom-right, bottom-left: its tag less 1.
std::size_t cornerIndex(const CornerPoint& cornerPoint) {
    return static_cast<std::size_t>(cornerPoint.position()) - 1;
}

double distance(platform::Point a, platform::Point b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

}  // namespace

std::shared_ptr<CropViewController> CropViewController::make(
    std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
    std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured) {
    std::shared_ptr<CropViewController> screen(new CropViewController(
        std::move(image), std::move(theme), std::move(cornerPoints), autoCaptured));
    screen->viewModel_->setDelegate(std::static_pointer_cast<CropViewModelDelegate>(screen));
    return screen;
}

CropViewController::CropViewController(std::shared_ptr<platform::Image> image,
                                       std::shared_ptr<CaptureTheme> theme,
                                       std::optional<std::vector<platform::Point>> cornerPoints,
                                       bool autoCaptured)
    : QVViewController(CropViewControllerNib::name),
      viewModel_(CropViewModel::make(std::move(image), std::move(theme), std::move(cornerPoints),
                                     autoCaptured)) {
    CropViewControllerNib::registerNib();
}

CropViewController::~CropViewController() {
    if (notificationCenter_ && textSizeObserver_) {
        notificationCenter_->removeObserver(textSizeObserver_);
    }
}

template <typename T>
T& CropViewController::outlet(const std::shared_ptr<T>& pointer) const {
    if (!pointer) {
        fatalError("The crop screen's nib left an outlet unconnected");
    }
    return *pointer;
}

std::vector<std::shared_ptr<CornerPoint>> CropViewController::handlesInOrder() const {
    return {outlets_.topLeftCornerPoint, outlets_.topRightCornerPoint,
            outlets_.bottomRightCornerPoint, outlets_.bottomLeftCornerPoint};
}

// --- Lifecycle ------------------------------------------------------------------------------

void CropViewController::viewDidLoad() {
    QVViewController::viewDidLoad();

    std::weak_ptr<CropViewController> weakSelf =
        std::static_pointer_cast<CropViewController>(shared_from_this());
    panRecognizer_ = platform::PanGestureRecognizer::make([weakSelf](auto& recognizer) {
        if (auto self = weakSelf.lock()) {
            self->handlePan(recognizer);
        }
    });
    // The touch layer's own touch-down and touch-up actions keep firing while a pan runs.
    panRecognizer_->setCancelsTouchesInView(false);
    outlet(outlets_.magnifySuperview).addGestureRecognizer(panRecognizer_);

    notificationCenter_ = platform::NotificationCenter::defaultCenter();
    textSizeObserver_ =
        notificationCenter_->addObserver(platform::TextSizeSetting::didChangeNotification, weakSelf,
                                         [weakSelf](const platform::Notification&) {
                                             if (auto self = weakSelf.lock()) {
                                                 self->textSizeChanged();
                                             }
                                         });
}

void CropViewController::viewDidLayoutSubviews() {
    QVViewController::viewDidLayoutSubviews();
    if (viewModel_->cornerPoints().empty()) {
        configCornerPoints();
    }
}

void CropViewController::viewDidAppear(bool animated) {
    QVViewController::viewDidAppear(animated);
    outlet(outlets_.imageView).setImage(viewModel_->image());
    applyTheme();
    localizeStrings();
}

void CropViewController::configCornerPoints() {
    struct Wiring {
        const std::shared_ptr<CornerPoint>& point;
        const std::shared_ptr<platform::LayoutConstraint>& x;
        const std::shared_ptr<platform::LayoutConstraint>& y;
        const std::shared_ptr<platform::LayoutConstraint>& diameter;
    };
    const Wiring wirings[] = {
        {outlets_.topLeftCornerPoint, outlets_.topLeftXConstraint, outlets_.topLeftYConstraint,
         outlets_.topLeftDiameterConstraint},
        {outlets_.topRightCornerPoint, outlets_.topRightXConstraint, outlets_.topRightYConstraint,
         outlets_.topRightDiameterConstraint},
        {outlets_.bottomLeftCornerPoint, outlets_.bottomLeftXConstraint,
         outlets_.bottomLeftYConstraint, outlets_.bottomLeftDiameterConstraint},
        {outlets_.bottomRightCornerPoint, outlets_.bottomRightXConstraint,
         outlets_.bottomRightYConstraint, outlets_.bottomRightDiameterConstraint},
    };
    for (const auto& wiring : wirings) {
        auto& point = outlet(wiring.point);
        point.leading = wiring.x;
        point.top = wiring.y;
        point.width = wiring.diameter;
        if (!point.leading || !point.top || !point.width) {
            fatalError("The crop screen's nib left a handle constraint unconnected");
        }
    }

    viewModel_->setCornerPoints(handlesInOrder(), outlets_.imageSuperview);
    outlet(outlets_.cropView).cornerPoints = viewModel_->cornerPoints();

    const auto& theme = *viewModel_->theme();
    for (const auto& wiring : wirings) {
        wiring.point->apply(theme);
    }
    placeHandles();
}

// Moves the handles to where their constraints now say.
void CropViewController::placeHandles() {
    outlet(outlets_.imageSuperview).layoutIfNeeded();
}

void CropViewController::applyTheme() {
    const auto& theme = *viewModel_->theme();
    const auto& buttonThemes = *viewModel_->buttonThemes();
    const auto background = theme.resolvedColor(&CaptureTheme::captureBackgroundColor);

    view()->setBackgroundColor(background);
    outlet(outlets_.topBar).setBackgroundColor(background);
    outlet(outlets_.bottomBar).setBackgroundColor(background);
    outlet(outlets_.imageBackgroundView).setBackgroundColor(background);
    outlet(outlets_.loader).setColor(theme.resolvedColor(&CaptureTheme::cropLoaderColor));
    ButtonStyling::apply(outlet(outlets_.cancelButton), buttonThemes.cropCancel());
    ButtonStyling::apply(outlet(outlets_.doneButton), buttonThemes.cropDone());
    outlet(outlets_.doneButtonHeight).setConstant(cgFloat(theme.cropDoneButtonHeight));
    outlet(outlets_.doneButtonWidth).setConstant(cgFloat(theme.cropDoneButtonWidth));
    // The root view's layout code places the buttons.
    view()->setNeedsLayout();
    MagnifyView::setBorderColor(theme.resolvedColor(&DefaultTheme::primaryBrandBackground2));
    outlet(outlets_.cropView).setNeedsDisplay();
}

void CropViewController::textSizeChanged() {
    viewModel_->reloadButtonThemes();
    applyTheme();
}

void CropViewController::localizeStrings() {
    outlet(outlets_.cancelButton)
        .setTitle(LocalizedText::lookup("crop-button-cancel", nullptr),
                  platform::ControlState::normal);
    outlet(outlets_.doneButton)
        .setTitle(LocalizedText::lookup("crop-button-done", nullptr),
                  platform::ControlState::normal);
}

// --- Placement callbacks ----------------------------------------------------------------------

void CropViewController::cropViewModelStartedCornerDetection() {
    placingCorners_ = true;
    outlet(outlets_.loader).startAnimating();
    outlet(outlets_.cropView).setHidden(true);
    outlet(outlets_.magnifySuperview).setHidden(true);
    // Done needs the corners.
    outlet(outlets_.doneButton).setEnabled(false);
}

void CropViewController::cropViewModelDetectedCornerPoints(
    const std::optional<std::vector<platform::Point>>& points) {
    placeHandles();
    outlet(outlets_.magnifySuperview).setHidden(false);
    auto& cropView = outlet(outlets_.cropView);
    cropView.setHidden(false);
    cropView.setNeedsDisplay();
    if (points) {
        if (auto delegate = delegate_.lock()) {
            delegate->cropViewControllerDetectedCornerPoints(*points);
        }
    }
    outlet(outlets_.loader).stopAnimating();
    placingCorners_ = false;
    outlet(outlets_.doneButton).setEnabled(true);
    if (donePending_) {
        donePending_ = false;
        donePressed();
    }
}

// --- Touches ----------------------------------------------------------------------------------

std::optional<Edge> CropViewController::checkForEdgeTouch(platform::Point touchPoint) const {
    const auto& corners = viewModel_->cornerPoints();
    const std::size_t n = corners.size();
    const double threshold = cgFloat(viewModel_->theme()->cropEdgeTouchThreshold);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = i + 1 < n ? i + 1 : 0;
        const auto a = corners[i]->center();
        const auto b = corners[j]->center();
        const platform::Point mid{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
        if (distance(touchPoint, mid) < threshold) {
            return Edge{corners[i], corners[j], mid,
                        i % 2 == 0 ? EdgeType::horizontal : EdgeType::vertical};
        }
    }
    return std::nullopt;
}

void CropViewController::touchesBegan(platform::Control& sender, const platform::Event* event) {
    if (event == nullptr) {
        return;
    }
    const auto touches = event->touches(&sender);
    if (touches.empty()) {
        return;
    }
    auto& touchLayer = outlet(outlets_.magnifySuperview);
    placeHandles();
    const auto p = touches.front().location(&touchLayer);

    const auto edge = checkForEdgeTouch(p);
    double best = edge ? distance(p, edge->center) : noEdgeDistance;
    for (const auto& corner : viewModel_->cornerPoints()) {
        const double d = distance(p, corner->center());
        if (d < best) {
            best = d;
            viewModel_->activeCornerPoint = corner;
        }
    }

    const auto& active = viewModel_->activeCornerPoint;
    if (!active) {
        if (edge) {
            viewModel_->activeEdge = edge;
        }
        return;
    }
    active->setHidden(true);
    if (magnifyView_) {
        return;
    }
    magnifyView_ = MagnifyView::make(active->position());
    magnifyView_->setUserInteractionEnabled(false);
    magnifyView_->setViewToMagnify(outlets_.imageSuperview);
    magnifyView_->setTouchPoint(active->center());
    touchLayer.addSubview(magnifyView_);
}

void CropViewController::touchesEnded(platform::Control&, const platform::Event*) {
    viewModel_->activeEdge.reset();
    if (magnifyView_) {
        magnifyView_->removeFromSuperview();
        magnifyView_.reset();
        if (viewModel_->activeCornerPoint) {
            viewModel_->activeCornerPoint->setHidden(false);
        }
        viewModel_->activeCornerPoint.reset();
    }
}

// --- Dragging ---------------------------------------------------------------------------------

void CropViewController::handlePan(platform::GestureRecognizer& recognizer) {
    auto* pan = dynamic_cast<platform::PanGestureRecognizer*>(&recognizer);
    if (pan == nullptr) {
        return;
    }
    const auto* touchLayer = &outlet(outlets_.magnifySuperview);
    if (auto corner = viewModel_->activeCornerPoint) {
        const auto translation = pan->translation(touchLayer);
        const auto sanitized = sanitizeTranslation(translation, *corner);
        updateActiveCornerConstraints(*corner, sanitized);
        if (magnifyView_) {
            magnifyView_->setTouchPoint(corner->center());
        }
        pan->setTranslation({0, 0}, touchLayer);
        if (magnifyView_) {
            magnifyView_->setNeedsDisplay();
        }
    } else if (viewModel_->activeEdge) {
        const auto edge = *viewModel_->activeEdge;
        handleEdgePan(edge, *pan);
    }
}

void CropViewController::updateActiveCornerConstraints(CornerPoint& cornerPoint,
                                                       platform::Point translation) {
    cornerPoint.leading->setConstant(cornerPoint.leading->constant() + translation.x);
    cornerPoint.top->setConstant(cornerPoint.top->constant() + translation.y);
    placeHandles();
    outlet(outlets_.cropView).setNeedsDisplay();
}

ConvexOutline::Corners CropViewController::handleCentres() const {
    return {outlet(outlets_.topLeftCornerPoint).center(),
            outlet(outlets_.topRightCornerPoint).center(),
            outlet(outlets_.bottomRightCornerPoint).center(),
            outlet(outlets_.bottomLeftCornerPoint).center()};
}

platform::Point CropViewController::sanitizeTranslation(platform::Point translation,
                                                        const CornerPoint& cornerPoint) const {
    const auto frame = outlet(outlets_.magnifySuperview).frame();
    const double W = frame.width();
    const double H = frame.height();
    const auto [TL, TR, BR, BL] = handleCentres();

    double minX = 0;
    double maxX = W;
    double minY = 0;
    double maxY = H;
    switch (cornerPoint.position()) {
        case MagnifyView::Position::topLeft:
            maxX = std::min(TR.x, BR.x) - handleSpacing;
            maxY = std::min(BL.y, BR.y) - handleSpacing;
            break;
        case MagnifyView::Position::topRight:
            minX = std::max(TL.x, BL.x) + handleSpacing;
            maxY = std::min(BL.y, BR.y) - handleSpacing;
            break;
        case MagnifyView::Position::bottomRight:
            minX = std::max(TL.x, BL.x) + handleSpacing;
            minY = std::max(TL.y, TR.y) + handleSpacing;
            break;
        case MagnifyView::Position::bottomLeft:
            maxX = std::min(TR.x, BR.x) - handleSpacing;
            minY = std::max(TL.y, TR.y) + handleSpacing;
            break;
    }

    // The minimum is tested first: when the limits cross, the handle goes to the minimum.
    const auto clamp = [](double c, double t, double minimum, double maximum) {
        const double n = c + t;
        if (n < minimum) {
            return minimum - c;
        }
        if (n > maximum) {
            return maximum - c;
        }
        return t;
    };
    const auto c = cornerPoint.center();
    const auto keepInBox = [&](platform::Point t) {
        return platform::Point{clamp(c.x, t.x, minX, maxX), clamp(c.y, t.y, minY, maxY)};
    };
    // Held apart on each axis, the handles can still cross a diagonal: the outline is kept
    // convex too.
    return ConvexOutline::limitCornerMove({TL, TR, BR, BL}, cornerIndex(cornerPoint),
                                          keepInBox(translation), handleSpacing, keepInBox);
}

void CropViewController::handleEdgePan(const Edge& edge,
                                       platform::PanGestureRecognizer& recognizer) {
    const auto* touchLayer = &outlet(outlets_.magnifySuperview);
    const auto raw = recognizer.translation(touchLayer);
    const platform::Point t =
        edge.type == EdgeType::horizontal ? platform::Point{0, raw.y} : platform::Point{raw.x, 0};
    const auto t1 = sanitizeTranslation(t, *edge.corner1);
    const auto t2 = sanitizeTranslation(t, *edge.corner2);
    // All or nothing: a side moves only when neither of its handles is held back and the
    // outline stays convex.
    if (t1 == t && t2 == t &&
        ConvexOutline::keepsSideMove(handleCentres(), cornerIndex(*edge.corner1), t,
                                     handleSpacing)) {
        updateActiveCornerConstraints(*edge.corner1, t1);
        updateActiveCornerConstraints(*edge.corner2, t2);
    }
    recognizer.setTranslation({0, 0}, touchLayer);
}

// --- Cancel and Done --------------------------------------------------------------------------

void CropViewController::cancelPressed() {
    popScreen();
}

void CropViewController::popScreen() {
    if (auto navigation = navigationController()) {
        navigation->popViewController(false);
    }
}

void CropViewController::donePressed() {
    if (placingCorners_) {
        donePending_ = true;
        return;
    }
    crop();
    popScreen();
}

void CropViewController::crop() {
    placeHandles();
    const auto& image = viewModel_->image();
    auto& imageView = outlet(outlets_.imageView);
    const auto imageSize = image->size();
    const auto area = imageView.bounds();
    if (!(imageSize.width > 0 && imageSize.height > 0 && area.width() > 0 && area.height() > 0) ||
        !imageView.image()) {
        Logger::capture().error("Failed to apply crop: the image or the image area has no size");
        return;
    }

    const auto topLeft = outlet(outlets_.topLeftCornerPoint).normalizedCenterPoint(imageView);
    const auto topRight = outlet(outlets_.topRightCornerPoint).normalizedCenterPoint(imageView);
    const auto bottomRight =
        outlet(outlets_.bottomRightCornerPoint).normalizedCenterPoint(imageView);
    const auto bottomLeft = outlet(outlets_.bottomLeftCornerPoint).normalizedCenterPoint(imageView);
    RectangleFeature feature(topLeft, topRight, bottomRight, bottomLeft);
    // Pixels of the picture as shown.
    feature.scaleFeature({imageSize.width * image->scale(), imageSize.height * image->scale()});

    if (!feature.isConvex()) {
        Logger::capture().error("Failed to apply crop: the corners do not outline a page");
        return;
    }

    auto stored = platform::FilterImage::fromImage(*image);
    auto shown =
        stored ? stored->oriented(platform::exifOrientation(image->orientation())) : nullptr;
    auto straightened =
        shown ? RectangleFeature::correctPerspective(*shown, feature, 1.0) : nullptr;
    auto result = straightened ? ImageOperations::imageFromFilterImage(*straightened) : nullptr;
    if (!result) {
        Logger::capture().error(
            "Failed to apply crop: nil is returned while converting image to core image");
        return;
    }

    if (auto delegate = delegate_.lock()) {
        std::vector<platform::Point> corners;
        for (const auto& corner : viewModel_->cornerPoints()) {
            corners.push_back(corner->center());
        }
        delegate->cropViewControllerCroppedImage(result, corners);
    }
}

}  // namespace quorvel
