#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/ActivityIndicatorView.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Event.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/PanGestureRecognizer.h"
#include "Platform/UI/View.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/Components/ConvexOutline.h"
#include "Source/Crop/Components/CornerPoint.h"
#include "Source/Crop/Components/CropControlView.h"
#include "Source/Crop/Components/CropView.h"
#include "Source/Crop/Components/MagnifyView.h"
#include "Source/Crop/ViewControllers/CropViewControllerDelegate.h"
#include "Source/Crop/ViewControllers/Edge.h"
#include "Source/Crop/ViewModels/CropViewModel.h"
#include "Source/Crop/ViewModels/CropViewModelDelegate.h"
#include "Source/Navigation/QVViewController.h"

namespace quorvel {

class CropViewControllerNib;

// The crop screen for one page: the page image under a dimming overlay with four corner handles.
// The user drags a handle (with a loupe under the finger) or a side by its grip, within clamped
// limits. Done straightens the page with the four corners, reports the result and the corners to
// the delegate and pops; Cancel pops and reports nothing. Its view comes from the nib
// "CropViewController". Main thread only.
class CropViewController : public QVViewController, public CropViewModelDelegate {
public:
    using Edge = quorvel::Edge;
    using EdgeType = quorvel::EdgeType;

    // `cornerPoints`: the corners stored on the page (absent: place them afresh);
    // `autoCaptured`: the page was straightened already by automatic capture.
    static std::shared_ptr<CropViewController> make(
        std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
        std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured);
    ~CropViewController() override;

    // The preview screen; held weakly.
    std::shared_ptr<CropViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<CropViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const std::shared_ptr<CropViewModel>& viewModel() const { return viewModel_; }

    // --- Outlets (filled by the nib) -----------------------------------------------------------
    struct Outlets {
        std::shared_ptr<platform::View> topBar;
        std::shared_ptr<platform::View> imageBackgroundView;
        std::shared_ptr<platform::ImageView> imageView;
        std::shared_ptr<platform::View> imageSuperview;
        std::shared_ptr<CropView> cropView;
        std::shared_ptr<platform::View> bottomBar;
        std::shared_ptr<platform::Button> cancelButton;
        std::shared_ptr<platform::Button> doneButton;
        std::shared_ptr<platform::ActivityIndicatorView> loader;
        std::shared_ptr<CropControlView> magnifySuperview;
        std::shared_ptr<CornerPoint> topLeftCornerPoint;
        std::shared_ptr<platform::LayoutConstraint> topLeftXConstraint;
        std::shared_ptr<platform::LayoutConstraint> topLeftYConstraint;
        std::shared_ptr<platform::LayoutConstraint> topLeftDiameterConstraint;
        std::shared_ptr<CornerPoint> topRightCornerPoint;
        std::shared_ptr<platform::LayoutConstraint> topRightXConstraint;
        std::shared_ptr<platform::LayoutConstraint> topRightYConstraint;
        std::shared_ptr<platform::LayoutConstraint> topRightDiameterConstraint;
        std::shared_ptr<CornerPoint> bottomLeftCornerPoint;
        std::shared_ptr<platform::LayoutConstraint> bottomLeftXConstraint;
        std::shared_ptr<platform::LayoutConstraint> bottomLeftYConstraint;
        std::shared_ptr<platform::LayoutConstraint> bottomLeftDiameterConstraint;
        std::shared_ptr<CornerPoint> bottomRightCornerPoint;
        std::shared_ptr<platform::LayoutConstraint> bottomRightXConstraint;
        std::shared_ptr<platform::LayoutConstraint> bottomRightYConstraint;
        std::shared_ptr<platform::LayoutConstraint> bottomRightDiameterConstraint;
        std::shared_ptr<platform::LayoutConstraint> doneButtonHeight;
        std::shared_ptr<platform::LayoutConstraint> doneButtonWidth;
    };
    // The outlets; reading one before the view has loaded (or one the nib left out) is a
    // programming error where an operation needs it.
    const Outlets& outlets() const { return outlets_; }

    // The loupe while a handle is dragged.
    const std::shared_ptr<MagnifyView>& magnifyView() const { return magnifyView_; }

    // --- Lifecycle ------------------------------------------------------------------------------
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void viewDidAppear(bool animated) override;

    // --- Actions (wired by the nib and in viewDidLoad) -------------------------------------------
    void touchesBegan(platform::Control& sender, const platform::Event* event);
    void touchesEnded(platform::Control& sender, const platform::Event* event);
    void cancelPressed();
    // Straightens the page and pops. While the first placement of the handles is still running it
    // waits, and runs once the corners have arrived.
    void donePressed();
    void handlePan(platform::GestureRecognizer& recognizer);
    void textSizeChanged();

    // --- CropViewModelDelegate -----------------------------------------------------------------
    void cropViewModelStartedCornerDetection() override;
    void cropViewModelDetectedCornerPoints(
        const std::optional<std::vector<platform::Point>>& points) override;

    // Whether the first placement of the handles has not ended yet.
    bool isPlacingCorners() const { return placingCorners_; }

    // The side whose midpoint lies within the touch threshold of `touchPoint` (the first in the
    // order top, right, bottom, left), or none.
    std::optional<Edge> checkForEdgeTouch(platform::Point touchPoint) const;
    // `translation` limited so that the handle's centre stays in the touch layer, at least 30
    // points from its neighbours on the axis that separates them, and the outline convex with
    // each corner at least 30 points beyond the line through its neighbours (ConvexOutline).
    platform::Point sanitizeTranslation(platform::Point translation,
                                        const CornerPoint& cornerPoint) const;

protected:
    CropViewController(std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
                       std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured);

private:
    friend class CropViewControllerNib;

    void configCornerPoints();
    void applyTheme();
    void localizeStrings();
    void updateActiveCornerConstraints(CornerPoint& cornerPoint, platform::Point translation);
    void handleEdgePan(const Edge& edge, platform::PanGestureRecognizer& recognizer);
    void placeHandles();
    // The handles' centres: top-left, top-right, bottom-right, bottom-left.
    ConvexOutline::Corners handleCentres() const;
    void popScreen();
    void crop();
    std::vector<std::shared_ptr<CornerPoint>> handlesInOrder() const;

    template <typename T>
    T& outlet(const std::shared_ptr<T>& pointer) const;

    Outlets outlets_;
    std::weak_ptr<CropViewControllerDelegate> delegate_;
    std::shared_ptr<CropViewModel> viewModel_;
    std::shared_ptr<MagnifyView> magnifyView_;
    std::shared_ptr<platform::PanGestureRecognizer> panRecognizer_;
    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
    platform::ObserverToken textSizeObserver_;
    bool placingCorners_ = false;
    bool donePending_ = false;
};

}  // namespace quorvel
