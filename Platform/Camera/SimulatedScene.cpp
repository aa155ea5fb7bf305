#include "Platform/Camera/SimulatedScene.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "Platform/Camera/SensorFrame.h"
#include "Platform/Graphics/ImageRenderer.h"

namespace quorvel::platform {
namespace {

// The desk texture covers the world square [-kDeskExtent, kDeskExtent]², enough for the widest
// photo plus the hand's shake.
constexpr double kDeskExtent = 0.55;
constexpr int kDeskSide = 1800;
// Shake amplitudes are given in pixels of a frame this wide.
constexpr double kReferenceSide = 1920;
// How much of the previous shake carries over to the next frame.
constexpr double kShakeMemory = 0.8;

// The lens: a 26 mm-equivalent one on a 4:3 picture, whose focal length is 0.75 of the picture's
// long side, the world's unit.
constexpr double kFocalLength = 0.75;

// The page's corners in the world (top-left, top-right, bottom-right, bottom-left) as a pinhole
// camera sees it resting on the desk: a letter page (its picture is kPageWidth × kPageHeight, the
// same shape) a little below the camera's axis, so the top edge is farther away and shorter,
// tipped a little to one side and turned slightly, through the camera's lens.
std::array<cv::Point2d, 4> restingCorners() {
    constexpr double kPageSide[2] = {0.2159, 0.2794};  // metres
    constexpr double kDistance = 0.39;                 // metres
    // A turn by `degrees` about the world axis `axis` (0: x, 1: y, 2: the camera's axis).
    auto rotation = [](int axis, double degrees) {
        const double radians = degrees * std::acos(-1.0) / 180;
        const double c = std::cos(radians);
        const double s = std::sin(radians);
        cv::Matx33d r = cv::Matx33d::eye();
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        r(a, a) = c;
        r(a, b) = -s;
        r(b, a) = s;
        r(b, b) = c;
        return r;
    };
    const cv::Matx33d pose = rotation(2, 1) * rotation(1, 9) * rotation(0, -14);
    std::array<cv::Point2d, 4> corners;
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        const cv::Vec3d p =
            pose * cv::Vec3d(signs[i][0] * kPageSide[0] / 2, signs[i][1] * kPageSide[1] / 2, 0) +
            cv::Vec3d(0, 0, kDistance);
        corners[i] = cv::Point2d(kFocalLength * p[0] / p[2], kFocalLength * p[1] / p[2]);
    }
    return corners;
}

const char* const kWords[] = {
    "account",   "balance", "payment",  "invoice", "services", "delivery", "period",  "total",
    "amount",    "due",     "customer", "order",   "shipment", "tax",      "net",     "terms",
    "the",       "of",      "and",      "for",     "with",     "per",      "by",      "to",
    "received",  "monthly", "supply",   "office",  "quarter",  "summary",  "charges", "credit",
    "reference", "number",  "please",   "within",  "days",     "thank",    "you",     "your"};

void setColor(cairo_t* cr, double r, double g, double b) {
    cairo_set_source_rgb(cr, r, g, b);
}

void showText(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold,
              double grey = 0.1) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    setColor(cr, grey, grey, grey);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void showTextRight(cairo_t* cr, double right, double y, const std::string& text, double size,
                   bool bold, double grey = 0.1) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    showText(cr, right - textWidth(cr, text), y, text, size, bold, grey);
}

std::string words(std::mt19937_64& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kWords[random() % std::size(kWords)];
    }
    return text;
}

// A printed business document on white paper.
std::shared_ptr<Image> drawPage(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const double width = SimulatedScene::kPageWidth;
    const double height = SimulatedScene::kPageHeight;
    ImageRenderer renderer(Size{width, height}, true, 1.0);
    if (!renderer.isValid()) {
        return nullptr;
    }
    cairo_t* cr = renderer.cairo();
    renderer.setFillColor(Color{0.985, 0.982, 0.972, 1});
    renderer.fillRect(Rect::make(0, 0, width, height));
    const double left = 150;
    const double right = width - 150;

    // Letterhead: a logo block, the sender and a rule.
    setColor(cr, 0.13, 0.22, 0.42);
    cairo_rectangle(cr, left, 140, 170, 120);
    cairo_fill(cr);
    showText(cr, left + 200, 195, "NORTHWIND SUPPLY CO.", 48, true, 0.12);
    showText(cr, left + 200, 240, "12 Harbour Road, Unit 4  -  Tel. 0161 555 0142", 26, false,
             0.35);

    showText(cr, left, 430, "Quarterly Statement", 84, true, 0.08);
    setColor(cr, 0.2, 0.2, 0.2);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, left, 470);
    cairo_line_to(cr, right, 470);
    cairo_stroke(cr);

    const char* const details[] = {"Statement number: 2024-0417", "Date: 12 March 2024",
                                   "Customer: Harrow & Finch Ltd.", "Terms: 30 days net"};
    double y = 545;
    for (const char* line : details) {
        showText(cr, left, y, line, 32, false);
        y += 48;
    }

    // A paragraph of body text, wrapped to the margins.
    y = 800;
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 30);
    for (int line = 0; line < 6; ++line) {
        std::string text;
        for (;;) {
            const std::string next = words(random, 1);
            const std::string candidate = text.empty() ? next : text + " " + next;
            if (textWidth(cr, candidate) > right - left) {
                break;
            }
            text = candidate;
        }
        showText(cr, left, y, line == 5 ? text.substr(0, text.size() / 2) : text, 30, false, 0.15);
        y += 46;
    }

    // A table with a shaded header row.
    const double columns[] = {left, left + 190, right - 520, right - 260, right};
    const double top = 1120;
    const double headerHeight = 66;
    const double rowHeight = 58;
    const int rows = 7;
    setColor(cr, 0.86, 0.87, 0.89);
    cairo_rectangle(cr, left, top, right - left, headerHeight);
    cairo_fill(cr);
    const char* const headings[] = {"Item", "Description", "Qty", "Amount"};
    for (int c = 0; c < 4; ++c) {
        showText(cr, columns[c] + 18, top + 45, headings[c], 30, true, 0.1);
    }
    double total = 0;
    for (int r = 0; r < rows; ++r) {
        const double baseline = top + headerHeight + r * rowHeight + 40;
        char code[16];
        std::snprintf(code, sizeof code, "A-%03d", static_cast<int>(100 + random() % 900));
        showText(cr, columns[0] + 18, baseline, code, 28, false);
        showText(cr, columns[1] + 18, baseline, words(random, 3), 28, false);
        const int quantity = 1 + static_cast<int>(random() % 12);
        showTextRight(cr, columns[3] - 18, baseline, std::to_string(quantity), 28, false);
        const double amount = quantity * (5 + static_cast<double>(random() % 9000) / 100);
        total += amount;
        char money[32];
        std::snprintf(money, sizeof money, "%.2f", amount);
        showTextRight(cr, columns[4] - 18, baseline, money, 28, false);
    }
    setColor(cr, 0.25, 0.25, 0.25);
    cairo_set_line_width(cr, 2);
    const double bottom = top + headerHeight + rows * rowHeight;
    for (int r = 0; r <= rows + 1; ++r) {
        const double lineY = r == 0 ? top : top + headerHeight + (r - 1) * rowHeight;
        cairo_move_to(cr, left, lineY);
        cairo_line_to(cr, right, lineY);
    }
    for (double x : columns) {
        cairo_move_to(cr, x, top);
        cairo_line_to(cr, x, bottom);
    }
    cairo_stroke(cr);
    char totalText[48];
    std::snprintf(totalText, sizeof totalText, "Total due: %.2f", total);
    showTextRight(cr, right - 18, bottom + 70, totalText, 38, true, 0.08);

    // Boxes: a signature field and a stamp.
    setColor(cr, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr, 2.5);
    cairo_rectangle(cr, left, 1760, 620, 200);
    cairo_stroke(cr);
    showText(cr, left + 20, 1995, "Signature", 26, false, 0.35);
    setColor(cr, 0.68, 0.16, 0.16);
    cairo_set_line_width(cr, 6);
    cairo_rectangle(cr, right - 380, 1770, 380, 170);
    cairo_stroke(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 80);
    cairo_move_to(cr, right - 190 - textWidth(cr, "PAID") / 2, 1885);
    cairo_show_text(cr, "PAID");

    showText(cr, width / 2 - 80, height - 90, "Page 1 of 1", 26, false, 0.4);
    return renderer.makeImage();
}

// A wooden desk top: stripes of grain that wander, fibres along the grain and a few knots of
// colour, in warm browns.
cv::Mat drawDesk(std::uint64_t seed) {
    cv::RNG rng(seed * 7919 + 17);
    const int side = kDeskSide;
    cv::Mat wander(12, 12, CV_32F);
    rng.fill(wander, cv::RNG::NORMAL, 0, 1);
    cv::resize(wander, wander, cv::Size(side, side), 0, 0, cv::INTER_CUBIC);
    cv::Mat tone(6, 6, CV_32F);
    rng.fill(tone, cv::RNG::NORMAL, 0, 1);
    cv::resize(tone, tone, cv::Size(side, side), 0, 0, cv::INTER_CUBIC);
    cv::Mat fibres(side, side, CV_32F);
    rng.fill(fibres, cv::RNG::NORMAL, 0, 1);
    cv::GaussianBlur(fibres, fibres, cv::Size(0, 0), 14, 0.8);
    cv::normalize(fibres, fibres, -1, 1, cv::NORM_MINMAX);

    cv::Mat desk(side, side, CV_8UC4);
    constexpr double kTwoPi = 6.283185307179586;
    for (int y = 0; y < side; ++y) {
        const float* w = wander.ptr<float>(y);
        const float* t = tone.ptr<float>(y);
        const float* f = fibres.ptr<float>(y);
        cv::Vec4b* out = desk.ptr<cv::Vec4b>(y);
        for (int x = 0; x < side; ++x) {
            const double phase = y * 0.045 + 1.4 * w[x] + 0.3 * std::sin(x * 0.004);
            const double ring = std::pow(0.5 + 0.5 * std::sin(kTwoPi * phase * 0.25), 3);
            const double shade = 0.78 + 0.16 * ring + 0.05 * t[x] + 0.07 * f[x];
            out[x] = cv::Vec4b(cv::saturate_cast<uchar>(62 * shade),
                               cv::saturate_cast<uchar>(104 * shade),
                               cv::saturate_cast<uchar>(150 * shade), 255);
        }
    }
    return desk;
}

cv::Matx33d affine3(const cv::Matx23d& m) {
    return {m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2), 0, 0, 1};
}

cv::Matx23d affine2(const cv::Matx33d& m) {
    return {m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2)};
}

}  // namespace

std::shared_ptr<SimulatedScene> SimulatedScene::make(std::uint64_t seed) {
    try {
        auto scene = std::make_shared<SimulatedScene>(Token{}, seed);
        return scene->page_ ? scene : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

SimulatedScene::SimulatedScene(Token, std::uint64_t seed) : random_(seed) {
    page_ = drawPage(seed);
    if (!page_) {
        return;
    }
    const Bitmap& bitmap = *page_->bitmap();
    // The page is opaque, so its premultiplied pixels are plain BGRA.
    pageTexture_ = cv::Mat(bitmap.height(), bitmap.width(), CV_8UC4,
                           const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow())
                       .clone();
    deskTexture_ = drawDesk(seed);

    worldCorners_ = restingCorners();
    const cv::Point2f from[4] = {cv::Point2f(-0.5f, -0.5f), cv::Point2f(kPageWidth - 0.5f, -0.5f),
                                 cv::Point2f(kPageWidth - 0.5f, kPageHeight - 0.5f),
                                 cv::Point2f(-0.5f, kPageHeight - 0.5f)};
    cv::Point2f to[4];
    for (int i = 0; i < 4; ++i) {
        to[i] = cv::Point2f(static_cast<float>(worldCorners_[i].x),
                            static_cast<float>(worldCorners_[i].y));
    }
    pageToWorld_ = cv::Matx33d(cv::getPerspectiveTransform(from, to));
}

std::shared_ptr<Image> SimulatedScene::pageImage() const {
    return page_;
}

std::array<Point, 4> SimulatedScene::pageCorners(Size frameSize,
                                                 VideoOrientation orientation) const {
    const bool swapped = swapsSensorDimensions(orientation);
    const int width = static_cast<int>(std::lround(frameSize.width));
    const int height = static_cast<int>(std::lround(frameSize.height));
    const int sensorWidth = swapped ? height : width;
    const int sensorHeight = swapped ? width : height;
    const cv::Matx33d map =
        worldToPicture(sensorWidth, sensorHeight, orientation) * shakeTransform(currentPose());
    std::array<Point, 4> corners;
    for (int i = 0; i < 4; ++i) {
        const cv::Vec3d p = map * cv::Vec3d(worldCorners_[i].x, worldCorners_[i].y, 1);
        corners[i] = Point{p[0] / p[2], p[1] / p[2]};
    }
    return corners;
}

void SimulatedScene::setShakeAmplitude(double pixels) {
    std::lock_guard lock(mutex_);
    shakeAmplitude_ = std::max(0.0, pixels);
    if (shakeAmplitude_ == 0) {
        pose_.dx = pose_.dy = pose_.angle = 0;
    }
}

double SimulatedScene::shakeAmplitude() const {
    std::lock_guard lock(mutex_);
    return shakeAmplitude_;
}

void SimulatedScene::setNoiseLevel(double levels) {
    std::lock_guard lock(mutex_);
    noiseLevel_ = std::max(0.0, levels);
    noise_.reset();
}

double SimulatedScene::noiseLevel() const {
    std::lock_guard lock(mutex_);
    return noiseLevel_;
}

SimulatedScene::Pose SimulatedScene::advance() {
    std::lock_guard lock(mutex_);
    const double limit = shakeAmplitude_ / kReferenceSide;
    // A mean-reverting walk whose spread is about half the amplitude.
    std::normal_distribution<double> step(0,
                                          0.5 * limit * std::sqrt(1 - kShakeMemory * kShakeMemory));
    auto walk = [&](double value) {
        return limit > 0 ? std::clamp(kShakeMemory * value + step(random_), -limit, limit) : 0.0;
    };
    pose_.dx = walk(pose_.dx);
    pose_.dy = walk(pose_.dy);
    pose_.angle = walk(pose_.angle);
    std::uniform_int_distribution<int> offset(0, SensorNoise::kMaximumOffset - 1);
    pose_.noiseX = offset(random_);
    pose_.noiseY = offset(random_);
    return pose_;
}

SimulatedScene::Pose SimulatedScene::currentPose() const {
    std::lock_guard lock(mutex_);
    return pose_;
}

cv::Matx33d SimulatedScene::worldToPicture(int width, int height, VideoOrientation orientation) {
    // The sensor picture is the upright portrait view turned 90° counter-clockwise: world x runs
    // up the sensor picture and world y to the right.
    const double scale = std::max(width, height);
    const cv::Matx33d toSensor(0, scale, width / 2.0 - 0.5, -scale, 0, height / 2.0 - 0.5, 0, 0, 1);
    return affine3(SensorFrame::turnTransform(width, height, orientation)) * toSensor;
}

FloatMatrix3x3 SimulatedScene::intrinsicMatrix(int width, int height) {
    const auto focalLength = static_cast<float>(kFocalLength * std::max(width, height));
    // The principal point is the picture's centre, as worldToPicture places the world's origin.
    return {focalLength,
            0,
            0,
            0,
            focalLength,
            0,
            static_cast<float>(width / 2.0 - 0.5),
            static_cast<float>(height / 2.0 - 0.5),
            1};
}

cv::Matx33d SimulatedScene::shakeTransform(const Pose& pose) const {
    const double c = std::cos(pose.angle);
    const double s = std::sin(pose.angle);
    return {c, -s, pose.dx, s, c, pose.dy, 0, 0, 1};
}

void SimulatedScene::renderScene(cv::Mat& target, const cv::Matx33d& worldToPixels) const {
    // The desk, from its texture's pixels.
    const double deskScale = kDeskSide / (2 * kDeskExtent);
    const cv::Matx33d deskToWorld(1 / deskScale, 0, -kDeskExtent + 0.5 / deskScale, 0,
                                  1 / deskScale, -kDeskExtent + 0.5 / deskScale, 0, 0, 1);
    cv::warpAffine(deskTexture_, target, affine2(worldToPixels * deskToWorld), target.size(),
                   cv::INTER_LINEAR, cv::BORDER_REFLECT);

    // The page, first brought near the size it will have, so that its print does not alias.
    cv::Matx33d pageToPixels = worldToPixels * pageToWorld_;
    const cv::Vec3d a = pageToPixels * cv::Vec3d(0, kPageHeight / 2.0, 1);
    const cv::Vec3d b = pageToPixels * cv::Vec3d(kPageWidth, kPageHeight / 2.0, 1);
    const double shownWidth = std::hypot(a[0] / a[2] - b[0] / b[2], a[1] / a[2] - b[1] / b[2]);
    const double shrink = shownWidth / kPageWidth;
    cv::Mat page = pageTexture_;
    if (shrink < 0.8) {
        cv::resize(pageTexture_, page, cv::Size(), shrink, shrink, cv::INTER_AREA);
        const double sx = static_cast<double>(kPageWidth) / page.cols;
        const double sy = static_cast<double>(kPageHeight) / page.rows;
        const cv::Matx33d smallToPage(sx, 0, 0.5 * sx - 0.5, 0, sy, 0.5 * sy - 0.5, 0, 0, 1);
        pageToPixels = pageToPixels * smallToPage;
    }
    cv::warpPerspective(page, target, pageToPixels, target.size(), cv::INTER_LINEAR,
                        cv::BORDER_TRANSPARENT);
    // A touch of lens softness, which also smooths the page's edge.
    cv::GaussianBlur(target, target, cv::Size(0, 0), 0.6);
}

cv::Mat SimulatedScene::restingFrame(int sensorWidth, int sensorHeight,
                                     VideoOrientation orientation) const {
    std::shared_ptr<Resting> resting;
    {
        std::lock_guard lock(mutex_);
        auto& entry = restingFrames_[FrameKey{sensorWidth, sensorHeight, orientation}];
        if (!entry) {
            entry = std::make_shared<Resting>();
        }
        resting = entry;
    }
    // Rendered once, outside the lock: a large photo's picture does not hold up the frames.
    std::call_once(resting->rendered, [&] {
        const bool swapped = swapsSensorDimensions(orientation);
        cv::Mat frame(swapped ? sensorWidth : sensorHeight, swapped ? sensorHeight : sensorWidth,
                      CV_8UC4);
        renderScene(frame, worldToPicture(sensorWidth, sensorHeight, orientation));
        resting->picture = frame;
    });
    return resting->picture;
}

std::shared_ptr<const SensorNoise> SimulatedScene::noiseFor(int maximumSide) const {
    std::lock_guard lock(mutex_);
    if (noiseLevel_ <= 0) {
        return nullptr;
    }
    if (!noise_ || noise_->maximumSide() < maximumSide) {
        noise_ = std::make_shared<SensorNoise>(maximumSide, noiseLevel_, 0x5EED);
    }
    return noise_;
}

bool SimulatedScene::renderFrame(cv::Mat& target, int sensorWidth, int sensorHeight,
                                 VideoOrientation orientation, const Pose& pose) const {
    const bool swapped = swapsSensorDimensions(orientation);
    const int width = swapped ? sensorHeight : sensorWidth;
    const int height = swapped ? sensorWidth : sensorHeight;
    if (target.type() != CV_8UC4 || target.cols != width || target.rows != height) {
        return false;
    }
    try {
        const cv::Mat resting = restingFrame(sensorWidth, sensorHeight, orientation);
        // The hand moves the whole picture: the shake, taken from world to these pixels.
        const cv::Matx33d toPixels = worldToPicture(sensorWidth, sensorHeight, orientation);
        const cv::Matx33d shake = toPixels * shakeTransform(pose) * toPixels.inv();
        cv::warpAffine(resting, target, affine2(shake), target.size(), cv::INTER_LINEAR,
                       cv::BORDER_REPLICATE);
        // A picture larger than a frame gets the frames' noise tile by tile.
        const int noiseSide =
            std::min(std::max(sensorWidth, sensorHeight), static_cast<int>(kReferenceSide));
        if (auto noise = noiseFor(noiseSide)) {
            noise->apply(target, pose.noiseX, pose.noiseY);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool SimulatedScene::renderPhoto(cv::Mat& target, const Pose& pose) const {
    if (target.type() != CV_8UC4 || target.empty()) {
        return false;
    }
    // A photo is a large frame as the sensor reads it.
    return renderFrame(target, target.cols, target.rows, VideoOrientation::landscapeRight, pose);
}

void SimulatedScene::preparePhotos(int width, int height) const {
    if (width <= 0 || height <= 0) {
        return;
    }
    try {
        restingFrame(width, height, VideoOrientation::landscapeRight);
        noiseFor(std::min(std::max(width, height), static_cast<int>(kReferenceSide)));
    } catch (const std::exception&) {
    }
}

}  // namespace quorvel::platform
