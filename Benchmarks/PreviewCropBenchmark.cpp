// The preview and crop screens with phone-camera pages (12 megapixels, 3024 × 4032).
//
// Goals: opening the preview on three such pages, up to the first frame painted, in 150 ms or
// less; one drag step of a crop corner (the move through the window, the handles' layout, the
// overlay's rebuild and the repaint of the overlay and of the loupe) in 4 ms or less. Frames are
// painted into an image of the window's pixels (3 per point), as the window's backing store is.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <memory>
#include <random>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Engine/CapturedImage.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/ViewControllers/CropViewController.h"

namespace {

using namespace quorvel;
using namespace quorvel::platform;

constexpr int photoWidth = 3024;
constexpr int photoHeight = 4032;
constexpr double kScale = 3;

void startApplication() {
    static const bool started = ApplicationHost::start(ApplicationHost::Display::offscreen);
    (void)started;
}

// A page-like photo: a lit background with a light sheet carrying lines of "print", and noise.
std::shared_ptr<Image> photo(int seed) {
    auto bitmap = Bitmap::make(photoWidth, photoHeight);
    auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < photoHeight; ++y) {
        for (int x = 0; x < photoWidth; ++x) {
            const bool sheet = x > 400 && x < 2600 && y > 500 && y < 3600;
            const bool print = sheet && (y / 40) % 3 == 0 && x > 600 && x < 2400 && y > 700;
            int level = print ? 60 : sheet ? 225 : 90 + (x + y) / 100;
            level = std::clamp(level + noise(random), 0, 255);
            const auto v = static_cast<std::uint32_t>(level);
            pixels[static_cast<std::size_t>(y) * photoWidth + x] =
                0xFF000000u | (v << 16) | ((v * 9 / 10) << 8) | (v * 8 / 10);
        }
    }
    return Image::make(bitmap);
}

const std::vector<std::shared_ptr<Image>>& photos() {
    static const std::vector<std::shared_ptr<Image>> made{photo(1), photo(2), photo(3)};
    return made;
}

QImage windowPixels() {
    QImage pixels(static_cast<int>(Window::defaultSize.width * kScale),
                  static_cast<int>(Window::defaultSize.height * kScale),
                  QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(kScale);
    return pixels;
}

class Below : public ViewController {
public:
    static std::shared_ptr<Below> make() { return std::shared_ptr<Below>(new Below()); }

private:
    Below() = default;
};

void BM_OpenPreviewOnThreePhotosToFirstFrame(benchmark::State& state) {
    startApplication();
    const auto& pages = photos();
    auto configuration = CaptureConfiguration::getInstance();
    auto theme = std::make_shared<CaptureTheme>(std::shared_ptr<Bundle>{});
    QImage pixels = windowPixels();
    for (auto _ : state) {
        auto group = std::make_shared<CapturedImageGroup>();
        for (const auto& page : pages) {
            group->append(std::make_shared<CapturedImage>(page, CaptureType::manual));
        }
        auto window = Window::make();
        auto preview = CapturePreviewViewController::make(group, configuration, theme,
                                                          CaptureDocumentType::normal, 1, false);
        auto navigation = NavigationController::make(preview);
        navigation->setNavigationBarHidden(true, false);
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        window->layoutIfNeededForDisplay();
        QPainter painter(&pixels);
        ViewPainter::paint(painter, *window);
        painter.end();
        benchmark::DoNotOptimize(pixels.constBits());

        state.PauseTiming();
        // The sharper pictures for zooming follow in the background: let them land first.
        std::vector<std::shared_ptr<Image>> first;
        for (const auto& view : preview->imageViews()) {
            first.push_back(view->image());
        }
        MainRunLoop::runUntil(
            [&] {
                for (std::size_t i = 0; i < first.size(); ++i) {
                    if (preview->imageViews()[i]->image() == first[i]) {
                        return false;
                    }
                }
                return true;
            },
            std::chrono::seconds(30));
        window.reset();
        navigation.reset();
        preview.reset();
        MainRunLoop::runUntilIdle();
        state.ResumeTiming();
    }
    state.SetLabel("3 pages of 3024x4032, 1170x2532 pixels");
}
BENCHMARK(BM_OpenPreviewOnThreePhotosToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// A crop screen on a photo with a corner held under the loupe.
struct HeldCorner {
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<CropViewController> crop;
    std::shared_ptr<NavigationController> navigation;
    Point start;

    HeldCorner() {
        crop = CropViewController::make(
            photos()[0], std::make_shared<CaptureTheme>(std::shared_ptr<Bundle>{}),
            std::vector<Point>{{60, 80}, {280, 70}, {290, 420}, {50, 430}}, false);
        navigation = NavigationController::make(Below::make());
        navigation->setNavigationBarHidden(true, false);
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        navigation->pushViewController(crop, false);
        window->layoutIfNeeded();
        MainRunLoop::runUntilIdle();
        const auto& layer = *crop->outlets().magnifySuperview;
        start = layer.convert(crop->outlets().topLeftCornerPoint->center(), nullptr);
        window->sendTouch(TouchPhase::began, start);
        // Past the pan's threshold.
        start.x += 12;
        window->sendTouch(TouchPhase::moved, start);
        window->layoutIfNeeded();
    }
    ~HeldCorner() {
        window->sendTouch(TouchPhase::ended, start);
        window.reset();
        MainRunLoop::runUntilIdle();
    }
};

void BM_CropDragStepWithLoupeAndOverlay(benchmark::State& state) {
    startApplication();
    HeldCorner held;
    const auto& o = held.crop->outlets();
    QImage overlayPixels(static_cast<int>(o.cropView->bounds().width() * kScale),
                         static_cast<int>(o.cropView->bounds().height() * kScale),
                         QImage::Format_ARGB32_Premultiplied);
    overlayPixels.setDevicePixelRatio(kScale);
    QImage loupePixels(static_cast<int>(100 * kScale), static_cast<int>(100 * kScale),
                       QImage::Format_ARGB32_Premultiplied);
    loupePixels.setDevicePixelRatio(kScale);
    double direction = 1;
    for (auto _ : state) {
        held.start.x += direction;
        held.start.y += direction;
        direction = -direction;
        held.window->sendTouch(TouchPhase::moved, held.start);
        held.window->layoutIfNeededForDisplay();
        overlayPixels.fill(Qt::transparent);
        loupePixels.fill(Qt::transparent);
        QPainter overlay(&overlayPixels);
        ViewPainter::paint(overlay, *o.cropView);
        overlay.end();
        QPainter loupe(&loupePixels);
        ViewPainter::paint(loupe, *held.crop->magnifyView());
        loupe.end();
        benchmark::DoNotOptimize(overlayPixels.constBits());
        benchmark::DoNotOptimize(loupePixels.constBits());
    }
    state.SetLabel("12 MP photo, overlay 342 points wide and a 100-point loupe at 3x");
}
BENCHMARK(BM_CropDragStepWithLoupeAndOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: the same step followed by a repaint of the whole window.
void BM_CropDragStepWithWholeWindowRepaint(benchmark::State& state) {
    startApplication();
    HeldCorner held;
    QImage pixels = windowPixels();
    double direction = 1;
    for (auto _ : state) {
        held.start.x += direction;
        held.start.y += direction;
        direction = -direction;
        held.window->sendTouch(TouchPhase::moved, held.start);
        held.window->layoutIfNeededForDisplay();
        QPainter painter(&pixels);
        ViewPainter::paint(painter, *held.window);
        painter.end();
        benchmark::DoNotOptimize(pixels.constBits());
    }
    state.SetLabel("12 MP photo, 1170x2532 pixels");
}
BENCHMARK(BM_CropDragStepWithWholeWindowRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
