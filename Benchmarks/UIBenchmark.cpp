// Painting the user interface: the camera picture into the preview, and a whole screen.
//
// Goals (one core): a 1920 × 1080 camera frame painted into the 390 × 844 point preview at 3
// pixels per point with aspect fill in 4 ms or less; a full repaint of a screen of a dozen views
// in 2 ms or less. Both paint into an image of the window's pixels, as the window's backing
// store is. Times are the process's CPU time (Qt's painting spreads large fills over a few
// threads); run pinned to one core (taskset -c 0) for the one-core figure.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/ScaledImageCache.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/Window.h"

namespace {

using namespace quorvel::platform;

constexpr double kScale = 3;

class PreviewView : public View {
public:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
    VideoPreviewLayer& preview() const { return static_cast<VideoPreviewLayer&>(*layer()); }
};

void startApplication() {
    static const bool started = ApplicationHost::start(ApplicationHost::Display::offscreen);
    (void)started;
}

// The window's pixels: 1170 × 2532 at 3 pixels per point.
QImage windowPixels() {
    QImage pixels(static_cast<int>(Window::defaultSize.width * kScale),
                  static_cast<int>(Window::defaultSize.height * kScale),
                  QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(kScale);
    pixels.fill(Qt::black);
    return pixels;
}

std::shared_ptr<PixelBuffer> cameraFrame(int width, int height) {
    auto frame = PixelBuffer::make(width, height, PixelFormat::bgra32);
    frame->lockBaseAddress();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row =
            frame->baseAddress() + static_cast<std::size_t>(y) * frame->bytesPerRow();
        for (int x = 0; x < width; ++x) {
            row[4 * x + 0] = static_cast<std::uint8_t>(x);
            row[4 * x + 1] = static_cast<std::uint8_t>(y);
            row[4 * x + 2] = static_cast<std::uint8_t>(x + y);
            row[4 * x + 3] = 255;
        }
    }
    frame->unlockBaseAddress();
    return frame;
}

void BM_PaintCameraFrameIntoThePreview(benchmark::State& state) {
    startApplication();
    auto preview = std::make_shared<PreviewView>(Rect{{0, 0}, Window::defaultSize});
    preview->preview().setVideoGravity(VideoGravity::resizeAspectFill);
    preview->preview().enqueue(cameraFrame(1920, 1080));
    QImage pixels = windowPixels();
    for (auto _ : state) {
        QPainter painter(&pixels);
        ViewPainter::paint(painter, *preview);
        painter.end();
        benchmark::DoNotOptimize(pixels.constBits());
    }
    state.SetLabel("1920x1080 frame, aspect fill, 1170x2532 pixels");
}
BENCHMARK(BM_PaintCameraFrameIntoThePreview)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

std::shared_ptr<Image> solidImage(int width, int height, std::uint32_t argb, double scale) {
    auto bitmap = Bitmap::make(width, height);
    std::fill_n(reinterpret_cast<std::uint32_t*>(bitmap->mutableData()),
                static_cast<std::size_t>(width) * height, argb);
    return Image::make(std::move(bitmap), scale);
}

std::shared_ptr<Button> iconButton(const std::string& caption, const Rect& frame) {
    auto button = Button::make({}, frame);
    button->setImage(solidImage(90, 90, 0xFFFFFFFFu, 3), ControlState::normal);
    button->setTitle(caption, ControlState::normal);
    button->titleLabel()->setFont(Font::systemFont(12));
    return button;
}

// The preview screen's views: a top bar with a back button and the title, the page image, the
// pagination bar with the page dots and the previous / next buttons, and the bottom bar with
// three icon buttons with captions and the Done button.
std::shared_ptr<Window> dozenViewScreen() {
    const Color surface = Color::fromRGBA8(0x1C, 0x1C, 0x1E);
    auto window = Window::make();
    window->setBackgroundColor(Color::black());
    auto topBar = View::make(Rect::make(0, 0, 390, 100));
    topBar->setBackgroundColor(surface);
    auto back = iconButton("", Rect::make(10, 50, 44, 44));
    auto title = Label::make(Rect::make(60, 55, 270, 30));
    title->setText("Page 2 of 3");
    title->setTextColor(Color::white());
    title->setTextAlignment(TextAlignment::center);
    title->setFont(Font::systemFont(17, FontWeight::semibold));
    auto page =
        ImageView::make(solidImage(1200, 1600, 0xFFE8E4DAu, 1), Rect::make(0, 100, 390, 560));
    page->setContentMode(ContentMode::scaleAspectFit);
    auto pager = View::make(Rect::make(0, 660, 390, 44));
    pager->setBackgroundColor(surface);
    auto dots = Label::make(Rect::make(145, 670, 100, 24));
    dots->setText("\u2022 \u2022 \u2022");
    dots->setTextColor(Color::white());
    dots->setTextAlignment(TextAlignment::center);
    auto previous = iconButton("", Rect::make(10, 664, 36, 36));
    auto next = iconButton("", Rect::make(344, 664, 36, 36));
    auto bottomBar = View::make(Rect::make(0, 704, 390, 140));
    bottomBar->setBackgroundColor(surface);
    auto done = Button::make({}, Rect::make(250, 730, 120, 44));
    done->setTitle("Done", ControlState::normal);
    done->setBackgroundColor(Color::fromRGBA8(0x1E, 0x88, 0xE5));
    done->layer()->setCornerRadius(22);
    std::vector<std::shared_ptr<View>> views{topBar, back,     title, page,      pager,
                                             dots,   previous, next,  bottomBar, done};
    const char* captions[] = {"ADD PAGE", "RETAKE", "CROP"};
    for (int i = 0; i < 3; ++i) {
        views.push_back(iconButton(captions[i], Rect::make(20 + 75.0 * i, 724, 70, 70)));
    }
    for (const auto& view : views) {
        window->addSubview(view);
    }
    window->layoutIfNeeded();
    return window;
}

// Argument 0: a repaint, the images already scaled to the screen (as every repaint after the
// first); 1: the first paint, the page image scaled too.
void BM_RepaintAScreenOfADozenViews(benchmark::State& state) {
    startApplication();
    auto window = dozenViewScreen();
    QImage pixels = windowPixels();
    const bool first = state.range(0) == 1;
    for (auto _ : state) {
        if (first) {
            ScaledImageCache::clear();
        }
        QPainter painter(&pixels);
        ViewPainter::paint(painter, *window);
        painter.end();
        benchmark::DoNotOptimize(pixels.constBits());
    }
    state.SetLabel(first ? "first paint, 13 views and their content, 1170x2532 pixels"
                         : "repaint, 13 views and their content, 1170x2532 pixels");
}
BENCHMARK(BM_RepaintAScreenOfADozenViews)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
