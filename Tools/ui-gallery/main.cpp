// quorvel-ui-gallery [--seconds N] [--help]
//
// Opens a window with what the user-interface platform shows: a live camera picture (a drawn
// desk with a page, moving slowly) with the detection outline and the capture ring over it, a
// title, buttons and a hint. Tapping the shutter counts shots and announces them; dragging the
// picture moves the outline. Without a display it runs off-screen. Closing the window (or N
// seconds) ends it. For looking at the platform by eye and with a screen reader.

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/PanGestureRecognizer.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/Window.h"

using namespace quorvel::platform;

namespace {

class PreviewView : public View {
public:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
    VideoPreviewLayer& preview() const { return static_cast<VideoPreviewLayer&>(*layer()); }
};

// A portrait camera frame: a desk with a page turned by `angle` radians.
std::shared_ptr<PixelBuffer> frame(double angle) {
    constexpr int width = 720;
    constexpr int height = 1280;
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, width, height);
    desk.setColorAt(0, QColor(0x6B, 0x4A, 0x2F));
    desk.setColorAt(1, QColor(0x3E, 0x2A, 0x1A));
    painter.fillRect(picture.rect(), desk);
    painter.translate(width / 2.0, height / 2.0);
    painter.rotate(angle * 180 / std::numbers::pi);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xF4, 0xF1, 0xEA));
    painter.drawRect(QRectF(-210, -300, 420, 600));
    painter.setPen(QPen(QColor(0x55, 0x55, 0x5A), 5));
    for (int line = 0; line < 14; ++line) {
        const double y = -250 + line * 36;
        painter.drawLine(QPointF(-170, y), QPointF(line % 4 == 3 ? 40 : 170, y));
    }
    painter.end();
    auto buffer = PixelBuffer::make(width, height, PixelFormat::bgra32);
    buffer->lockBaseAddress();
    for (int y = 0; y < height; ++y) {
        std::memcpy(buffer->baseAddress() + static_cast<std::size_t>(y) * buffer->bytesPerRow(),
                    picture.constScanLine(y), width * 4);
    }
    buffer->unlockBaseAddress();
    return buffer;
}

std::shared_ptr<Label> label(const std::string& text, double size, const Rect& frame) {
    auto result = Label::make(frame);
    result->setText(text);
    result->setFont(Font::systemFont(size, FontWeight::semibold));
    result->setTextColor(Color::white());
    result->setTextAlignment(TextAlignment::center);
    return result;
}

constexpr const char* kUsage =
    "usage: quorvel-ui-gallery [--seconds N]\n"
    "Opens a window with what the user-interface platform draws (off-screen without a display).\n"
    "It ends when the window is closed, or after N seconds.\n";

int usage(const std::string& complaint) {
    std::fprintf(stderr, "quorvel-ui-gallery: %s\n%s", complaint.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg != "--seconds") return usage("unknown argument '" + arg + "'");
        if (i + 1 >= argc) return usage("--seconds needs a value");
        char* end = nullptr;
        seconds = std::strtod(argv[++i], &end);
        if (*argv[i] == '\0' || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
            return usage("--seconds needs a number above 0, not '" + std::string(argv[i]) + "'");
        }
    }
    if (!ApplicationHost::start()) {
        std::fprintf(stderr, "quorvel-ui-gallery: no user interface can run here\n");
        return 1;
    }

    auto window = Window::make();
    window->setBackgroundColor(Color::black());
    auto title = label("Camera", 17, Rect::make(0, 52, 390, 30));
    title->setAccessibilityTraits(AccessibilityTraits::header);
    auto preview = std::make_shared<PreviewView>(Rect::make(0, 100, 390, 600));
    preview->preview().setVideoGravity(VideoGravity::resizeAspectFill);
    preview->setIsAccessibilityElement(true);
    preview->setAccessibilityLabel("Camera preview");
    preview->setAccessibilityHint("Drag to move the outline");

    auto outline = ShapeLayer::make();
    outline->setStrokeColor(Color::fromRGBA8(0x1E, 0x88, 0xE5));
    outline->setFillColor(Color::fromRGBA8(0x1E, 0x88, 0xE5, 64));
    outline->setLineWidth(4);
    outline->setLineJoin(LineJoin::round);
    preview->layer()->addSublayer(outline);
    auto ring = ShapeLayer::make();
    ring->setFillColor(std::nullopt);
    ring->setStrokeColor(Color::white());
    ring->setLineWidth(3);
    preview->layer()->addSublayer(ring);

    Point offset{0, 0};
    double angle = 0;
    const auto placeOutline = [&] {
        // Aspect fill of the 720 × 1280 frame into 390 × 600 points.
        const double scale = std::max(390.0 / 720, 600.0 / 1280);
        BezierPath path;
        for (int i = 0; i < 4; ++i) {
            const double x = (i == 0 || i == 3) ? -210 : 210;
            const double y = i < 2 ? -300 : 300;
            const Point p{195 + offset.x + (x * std::cos(angle) - y * std::sin(angle)) * scale,
                          300 + offset.y + (x * std::sin(angle) + y * std::cos(angle)) * scale};
            i == 0 ? path.moveTo(p) : path.addLineTo(p);
        }
        path.close();
        outline->setPath(path);
    };
    auto pan = PanGestureRecognizer::make([&](GestureRecognizer& recognizer) {
        auto& panning = static_cast<PanGestureRecognizer&>(recognizer);
        const Point moved = panning.translation(preview.get());
        offset = {offset.x + moved.x, offset.y + moved.y};
        panning.setTranslation({0, 0}, preview.get());
        placeOutline();
    });
    preview->addGestureRecognizer(pan);

    auto bar = View::make(Rect::make(0, 700, 390, 144));
    bar->setBackgroundColor(Color::fromRGBA8(0x1C, 0x1C, 0x1E));
    auto count = label("No photos yet", 15, Rect::make(0, 800, 390, 24));
    auto shutter = Button::make({}, Rect::make(160, 716, 70, 70));
    shutter->setBackgroundColor(Color::white());
    shutter->layer()->setCornerRadius(35);
    shutter->layer()->setBorderWidth(5);
    shutter->layer()->setBorderColor(Color::fromRGBA8(0x9E, 0x9E, 0x9E));
    shutter->setAccessibilityLabel("Take photo");
    shutter->setAccessibilityHint("Takes a photo of the document");
    int shots = 0;
    shutter->addAction(ControlEvent::touchUpInside, [&](Control&, const Event*) {
        ++shots;
        const std::string text = std::to_string(shots) + (shots == 1 ? " photo" : " photos");
        count->setText(text);
        ring->setPath(
            BezierPath::arc({195, 300}, 30, -std::numbers::pi / 2, 3 * std::numbers::pi / 2, true));
        ring->setStrokeEnd(std::fmod(shots * 0.25, 1.0) + 0.25);
        Accessibility::post(AccessibilityNotification::announcement, "Captured " + text);
    });
    auto close = Button::make({}, Rect::make(16, 48, 60, 36));
    close->setTitle("Close", ControlState::normal);
    close->titleLabel()->setFont(Font::systemFont(17));

    for (const auto& view :
         std::vector<std::shared_ptr<View>>{preview, title, bar, count, shutter, close}) {
        window->addSubview(view);
    }
    window->makeKeyAndVisible();
    auto host = WindowHost::make(window);
    host->setCloseHandler([] { MainRunLoop::stop(); });
    close->addAction(ControlEvent::touchUpInside,
                     [](Control&, const Event*) { MainRunLoop::stop(); });
    host->show();

    // The "camera": a frame every 50 ms from its own thread, the page turning slowly.
    std::atomic<bool> running{true};
    std::atomic<int> tick{0};
    std::thread camera([&] {
        while (running) {
            const double a = 0.15 * std::sin(tick++ / 40.0);
            preview->preview().enqueue(frame(a));
            DispatchQueue::main()->async([&, a] {
                angle = a;
                placeOutline();
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    if (seconds > 0) {
        DispatchQueue::main()->asyncAfter(std::chrono::duration<double>(seconds),
                                          [] { MainRunLoop::stop(); });
    }
    MainRunLoop::run();
    running = false;
    camera.join();
    MainRunLoop::discardPendingWork();
    host.reset();
    ApplicationHost::shutDown();
    return 0;
}
