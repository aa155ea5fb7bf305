#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "CameraTestSupport.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Support/DocumentScene.h"
#include "Support/TemporaryBundle.h"

namespace camera_testing {
namespace {

using namespace std::chrono_literals;

// Mean of B, G and R over the 5 × 5 pixels around (x, y).
double brightness(const cv::Mat& bgra, Point at) {
    const int x = static_cast<int>(std::lround(at.x));
    const int y = static_cast<int>(std::lround(at.y));
    const cv::Rect area = cv::Rect(x - 2, y - 2, 5, 5) & cv::Rect(0, 0, bgra.cols, bgra.rows);
    const cv::Scalar mean = cv::mean(bgra(area));
    return (mean[0] + mean[1] + mean[2]) / 3;
}

// Checks that the paper is just inside each corner and the desk just outside.
void expectPageAt(const cv::Mat& bgra, const std::array<Point, 4>& corners) {
    Point centre;
    for (const Point& corner : corners) {
        centre.x += corner.x / 4;
        centre.y += corner.y / 4;
    }
    for (const Point& corner : corners) {
        const double dx = centre.x - corner.x;
        const double dy = centre.y - corner.y;
        const double length = std::hypot(dx, dy);
        const Point inside{corner.x + 14 * dx / length, corner.y + 14 * dy / length};
        const Point outside{corner.x - 14 * dx / length, corner.y - 14 * dy / length};
        EXPECT_GT(brightness(bgra, inside), 200) << "inside " << corner.x << ", " << corner.y;
        EXPECT_LT(brightness(bgra, outside), 170) << "outside " << corner.x << ", " << corner.y;
    }
}

class SceneTest : public CameraTest {
protected:
    // The pixels of the last frame delivered, copied.
    cv::Mat lastFrame() {
        const auto buffer = delegate->received().back().sample->imageBuffer();
        buffer->lockBaseAddress();
        cv::Mat copy = buffer->asMat().clone();
        buffer->unlockBaseAddress();
        return copy;
    }
};

TEST_F(SceneTest, PageCornersAreWhereTheFrameShowsThePage) {
    session->startRunning();
    const auto scene = device->scene();
    const auto connection = videoOutput->connections().at(0);
    for (const auto orientation : {VideoOrientation::landscapeRight, VideoOrientation::portrait,
                                   VideoOrientation::portraitUpsideDown}) {
        connection->setVideoOrientation(orientation);
        ASSERT_EQ(device->emitFrames(1), 1);
        const cv::Mat frame = lastFrame();
        expectPageAt(frame,
                     scene->pageCorners(Size{double(frame.cols), double(frame.rows)}, orientation));
    }
}

TEST_F(SceneTest, PortraitFramesShowThePageUpright) {
    session->startRunning();
    videoOutput->connections().at(0)->setVideoOrientation(VideoOrientation::portrait);
    device->emitFrames(1);
    const auto corners = device->scene()->pageCorners(Size{1080, 1920}, VideoOrientation::portrait);
    // Top-left, top-right, bottom-right, bottom-left as the page reads: upright on screen.
    EXPECT_LT(corners[0].x, corners[1].x);
    EXPECT_LT(corners[1].y, corners[2].y);
    EXPECT_GT(corners[2].x, corners[3].x);
    EXPECT_GT(corners[3].y, corners[0].y);
    // In the sensor's own frame the page lies on its side, its top to the left.
    const auto sensor = device->scene()->pageCorners(Size{1920, 1080});
    EXPECT_LT(sensor[0].x, sensor[2].x);
    EXPECT_GT(sensor[0].y, sensor[1].y);
}

TEST_F(SceneTest, TheHandShakesALittle) {
    session->startRunning();
    const auto scene = device->scene();
    auto previous = scene->pageCorners(Size{1920, 1080});
    double largest = 0;
    for (int i = 0; i < 20; ++i) {
        device->emitFrames(1);
        const auto corners = scene->pageCorners(Size{1920, 1080});
        for (int c = 0; c < 4; ++c) {
            largest = std::max(
                largest, std::hypot(corners[c].x - previous[c].x, corners[c].y - previous[c].y));
        }
        previous = corners;
    }
    EXPECT_GT(largest, 0.01);
    EXPECT_LT(largest, 8.0);
}

TEST_F(SceneTest, PhotoShowsThePageWhereTheSceneSaysItIs) {
    session->startRunning();
    device->emitFrames(1);
    auto recorder = std::make_shared<PhotoRecorder>();
    photoOutput->capturePhoto(PhotoSettings::jpeg(), recorder);
    const auto corners = device->scene()->pageCorners(Size{800, 600});
    clock.advance(100ms);
    const auto delivery = recorder->waitForDelivery();
    ASSERT_TRUE(delivery && delivery->photo->fileDataRepresentation());
    const auto image = Image::fromEncodedData(*delivery->photo->fileDataRepresentation());
    ASSERT_NE(image, nullptr);
    const Bitmap& bitmap = *image->bitmap();
    const cv::Mat stored(bitmap.height(), bitmap.width(), CV_8UC4,
                         const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow());
    expectPageAt(stored, corners);
}

TEST(SimulatedSceneTest, PageImageIsAnUprightWhitePage) {
    const auto page = sharedScene()->pageImage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->size().width, SimulatedScene::kPageWidth);
    EXPECT_EQ(page->size().height, SimulatedScene::kPageHeight);
    EXPECT_GT(page->bitmap()->pixel(20, 20).red, 0.95);
}

class PhotoCameraTest : public ::testing::Test {
protected:
    // Runs a session on `device` with the given connection orientation and returns the pixels
    // of `count` frames.
    std::vector<cv::Mat> frames(const std::shared_ptr<SimulatedCameraDevice>& device, int count,
                                VideoOrientation orientation) {
        RecordingSession recording(device);
        recording.output->connections().at(0)->setVideoOrientation(orientation);
        recording.session->startRunning();
        device->emitFrames(count);
        recording.session->stopRunning();
        std::vector<cv::Mat> result;
        for (const auto& frame : recording.delegate->received()) {
            const auto& buffer = frame.sample->imageBuffer();
            buffer->lockBaseAddress();
            result.push_back(buffer->asMat().clone());
            buffer->unlockBaseAddress();
        }
        return result;
    }

    // Takes a photo with the running session of `recording` (which has `photos` as an output)
    // and decodes it.
    std::shared_ptr<Image> takePhoto(const std::shared_ptr<CapturePhotoOutput>& photos) {
        auto recorder = std::make_shared<PhotoRecorder>();
        photos->capturePhoto(PhotoSettings::jpeg(), recorder);
        clock.advance(100ms);
        const auto delivery = recorder->waitForDelivery();
        if (!delivery || !delivery->photo || !delivery->photo->fileDataRepresentation()) {
            return nullptr;
        }
        return Image::fromEncodedData(*delivery->photo->fileDataRepresentation());
    }

    // The colour at (x, y) of `image` as it is shown, its orientation applied.
    static cv::Vec4b shownPixel(const Image& image, double x, double y) {
        const Point stored = image.orientationTransform().inverted()->apply(Point{x, y});
        const auto colour =
            image.bitmap()->pixel(static_cast<int>(stored.x), static_cast<int>(stored.y));
        return cv::Vec4b(static_cast<uchar>(colour.blue * 255),
                         static_cast<uchar>(colour.green * 255),
                         static_cast<uchar>(colour.red * 255), 255);
    }

    ScopedManualClock clock;
    // A folder of this test's own: test programs run at the same time never share it.
    quorvel::testsupport::TemporaryBundle scratch{"Photos"};
    std::filesystem::path directory = scratch.path();
};

TEST_F(PhotoCameraTest, PortraitPhotoIsFilmedAsAPhoneHeldUpright) {
    cv::Mat picture(400, 300, CV_8UC3, cv::Scalar(0, 0, 255));         // red above
    picture(cv::Rect(0, 200, 300, 200)).setTo(cv::Scalar(255, 0, 0));  // blue below
    const auto path = directory / "page.png";
    ASSERT_TRUE(cv::imwrite(path.string(), picture));
    auto device = SimulatedCameraDevice::fromPhoto(path);
    ASSERT_NE(device, nullptr);
    device->setSensorSize(640, 360);

    const auto upright = frames(device, 1, VideoOrientation::portrait).at(0);
    ASSERT_EQ(upright.cols, 360);
    ASSERT_EQ(upright.rows, 640);
    const cv::Vec4b top = upright.at<cv::Vec4b>(100, 180);
    const cv::Vec4b bottom = upright.at<cv::Vec4b>(540, 180);
    EXPECT_GT(top[2], 200);
    EXPECT_LT(top[0], 60);
    EXPECT_GT(bottom[0], 200);
    EXPECT_LT(bottom[2], 60);
}

// Red left of blue; checks a colour as BGR(A) with generous bounds for JPEG.
bool isRed(const cv::Vec4b& c) {
    return c[2] > 200 && c[0] < 60 && c[1] < 60;
}
bool isBlue(const cv::Vec4b& c) {
    return c[0] > 200 && c[2] < 60 && c[1] < 60;
}
// Red and blue blended, as the surround shows them where the halves of the picture meet.
bool isBlend(const cv::Vec4b& c) {
    return c[0] > 60 && c[0] < 200 && c[2] > 60 && c[2] < 200;
}

TEST_F(PhotoCameraTest, LandscapeAndExifTurnedPhotosAreFilmedUpright) {
    cv::Mat landscape(300, 400, CV_8UC3, cv::Scalar(0, 0, 255));         // red on the left
    landscape(cv::Rect(200, 0, 200, 300)).setTo(cv::Scalar(255, 0, 0));  // blue on the right
    const auto plain = directory / "landscape.png";
    ASSERT_TRUE(cv::imwrite(plain.string(), landscape));
    // The same picture as a phone stores it: the pixels as the sensor read them, with EXIF
    // orientation 6 (shown turned a quarter clockwise).
    cv::Mat stored;
    cv::rotate(landscape, stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    auto bitmap = Bitmap::make(stored.cols, stored.rows);
    ASSERT_NE(bitmap, nullptr);
    cv::Mat target(bitmap->height(), bitmap->width(), CV_8UC4, bitmap->mutableData(),
                   bitmap->bytesPerRow());
    cv::cvtColor(stored, target, cv::COLOR_BGR2BGRA);
    const auto jpeg = ImageEncoding::jpegData(*bitmap, 0.95, 6);
    ASSERT_TRUE(jpeg);
    const auto turned = directory / "turned.jpg";
    std::ofstream(turned, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg->data()),
               static_cast<std::streamsize>(jpeg->size()));

    for (const auto& path : {plain, turned}) {
        SCOPED_TRACE(path.filename().string());
        auto device = SimulatedCameraDevice::fromPhoto(path);
        ASSERT_NE(device, nullptr);
        device->setSensorSize(640, 360);
        device->setPhotoSize(800, 600);

        // Upright on the portrait screen: a band across the middle, its colours blurred into
        // each other above and below.
        const auto frame = frames(device, 1, VideoOrientation::portrait).at(0);
        ASSERT_EQ(frame.cols, 360);
        ASSERT_EQ(frame.rows, 640);
        EXPECT_TRUE(isRed(frame.at<cv::Vec4b>(320, 90)));
        EXPECT_TRUE(isBlue(frame.at<cv::Vec4b>(320, 270)));
        EXPECT_TRUE(isBlend(frame.at<cv::Vec4b>(60, 180)));
        EXPECT_TRUE(isBlend(frame.at<cv::Vec4b>(580, 180)));

        // The photo, shown with the orientation it carries, is upright as well.
        RecordingSession recording(device);
        auto photos = CapturePhotoOutput::make();
        recording.session->addOutput(photos);
        recording.session->startRunning();
        const auto photo = takePhoto(photos);
        recording.session->stopRunning();
        ASSERT_NE(photo, nullptr);
        ASSERT_EQ(photo->size().width, 600);
        ASSERT_EQ(photo->size().height, 800);
        EXPECT_TRUE(isRed(shownPixel(*photo, 150, 400)));
        EXPECT_TRUE(isBlue(shownPixel(*photo, 450, 400)));
        EXPECT_TRUE(isBlend(shownPixel(*photo, 300, 60)));
    }
}

// The share of the columns of `paper` (one channel) across which the two rows above `row` and the
// two from `row` on differ by at least `step` levels, all in the same direction: how much of a
// straight, horizontal edge lies there, as an outline search measures a page's side.
double horizontalEdgeShare(const cv::Mat& paper, int row, double step) {
    int brighter = 0;
    int darker = 0;
    for (int x = 0; x < paper.cols; ++x) {
        const auto at = [&](int y) { return static_cast<double>(paper.at<uchar>(y, x)); };
        const double above[] = {at(row - 2), at(row - 1)};
        const double below[] = {at(row), at(row + 1)};
        brighter += std::min(above[0], above[1]) - std::max(below[0], below[1]) >= step;
        darker += std::min(below[0], below[1]) - std::max(above[0], above[1]) >= step;
    }
    return static_cast<double>(std::max(brighter, darker)) / paper.cols;
}

TEST_F(PhotoCameraTest, PhotoOfAnotherShapeIsFilmedWithoutAnEdgeAroundIt) {
    // A landscape photo of a grainy desk: nothing in it is a straight edge.
    testing_vision::SceneOptions desk;
    desk.size = {960, 540};
    desk.withPage = false;
    const auto path = directory / "desk.png";
    ASSERT_TRUE(cv::imwrite(path.string(), testing_vision::renderScene(desk).image));
    auto device = SimulatedCameraDevice::fromPhoto(path);
    ASSERT_NE(device, nullptr);

    // The portrait frame shows it across its middle. Reduced four times, as an outline search
    // reads a frame this size, and read in the smallest colour channel, paper's brightness: no
    // row of the frame, above, below or along the photo's border, is a brightness step across
    // half its width or more, where a page lying near that border would find a side.
    const auto frame = frames(device, 1, VideoOrientation::portrait).at(0);
    ASSERT_EQ(frame.cols, 1080);
    ASSERT_EQ(frame.rows, 1920);
    cv::Mat reduced;
    cv::resize(frame, reduced, cv::Size(270, 480), 0, 0, cv::INTER_AREA);
    std::vector<cv::Mat> channels;
    cv::split(reduced, channels);
    const cv::Mat paper = cv::min(cv::min(channels[0], channels[1]), channels[2]);
    for (int row = 2; row + 1 < paper.rows; ++row) {
        EXPECT_LT(horizontalEdgeShare(paper, row, 4), 0.5) << "row " << row * 4;
    }
}

TEST_F(PhotoCameraTest, PhotosOfADirectoryAreFilmedInNameOrder) {
    ASSERT_TRUE(cv::imwrite((directory / "b.png").string(),
                            cv::Mat(90, 160, CV_8UC3, cv::Scalar(0, 255, 0))));
    ASSERT_TRUE(cv::imwrite((directory / "a.png").string(),
                            cv::Mat(90, 160, CV_8UC3, cv::Scalar(0, 0, 255))));
    std::filesystem::create_directories(directory / "ignored");
    auto device = SimulatedCameraDevice::fromPhotos(directory);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->photoPaths().size(), 2u);
    device->setSensorSize(160, 90);
    device->setFramesPerPhoto(1);

    const auto seen = frames(device, 3, VideoOrientation::landscapeRight);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_GT(seen[0].at<cv::Vec4b>(45, 80)[2], 200);
    EXPECT_GT(seen[1].at<cv::Vec4b>(45, 80)[1], 200);
    EXPECT_GT(seen[2].at<cv::Vec4b>(45, 80)[2], 200);
}

TEST_F(PhotoCameraTest, PhotosOfADirectoryAreFilmedOnePageAfterAnother) {
    ASSERT_TRUE(cv::imwrite((directory / "1.png").string(),
                            cv::Mat(90, 160, CV_8UC3, cv::Scalar(0, 0, 255))));
    ASSERT_TRUE(cv::imwrite((directory / "2.png").string(),
                            cv::Mat(90, 160, CV_8UC3, cv::Scalar(0, 255, 0))));
    auto device = SimulatedCameraDevice::fromPhotos(directory);
    ASSERT_NE(device, nullptr);
    device->setSensorSize(160, 90);
    device->setPhotoSize(160, 90);
    RecordingSession recording(device);
    auto photos = CapturePhotoOutput::make();
    recording.session->addOutput(photos);
    auto centre = [](const cv::Mat& picture) { return picture.at<cv::Vec4b>(45, 80); };
    auto lastFrame = [&] {
        const auto& buffer = recording.delegate->received().back().sample->imageBuffer();
        buffer->lockBaseAddress();
        const cv::Vec4b colour = centre(buffer->asMat());
        buffer->unlockBaseAddress();
        return colour;
    };
    auto photoCentre = [&] {
        const auto photo = takePhoto(photos);
        return photo ? shownPixel(*photo, 45, 80) : cv::Vec4b();
    };

    // Each page stays in view until its photo is taken; the camera's next start shows the next.
    for (const int channel : {2, 1, 2}) {
        recording.session->startRunning();
        ASSERT_EQ(device->emitFrames(3), 3);
        EXPECT_GT(lastFrame()[channel], 200);
        EXPECT_GT(photoCentre()[channel], 200);
        ASSERT_EQ(device->emitFrames(1), 1);
        EXPECT_GT(lastFrame()[channel], 200) << "the next page waits for the camera's restart";
        recording.session->stopRunning();
    }
}

TEST_F(PhotoCameraTest, PhotosOfADirectoryAreDecodedWhenFilmedNotWhenListed) {
    ASSERT_TRUE(cv::imwrite((directory / "a.png").string(),
                            cv::Mat(90, 160, CV_8UC3, cv::Scalar(0, 0, 255))));
    // A whole header with its pixels cut short: only decoding finds that out.
    std::vector<std::uint8_t> png;
    cv::Mat noise(90, 160, CV_8UC3);
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(255));
    ASSERT_TRUE(cv::imencode(".png", noise, png));
    scratch.write("b.png", std::vector<std::uint8_t>(png.begin(), png.begin() + png.size() / 2));
    auto device = SimulatedCameraDevice::fromPhotos(directory);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->photoPaths().size(), 2u);
    device->setSensorSize(160, 90);
    device->setFramesPerPhoto(1);

    RecordingSession recording(device);
    recording.session->startRunning();
    ASSERT_EQ(device->emitFrames(1), 1);
    EXPECT_EQ(device->filmedPhoto().path, directory / "a.png");
    EXPECT_EQ(device->filmedPhoto().problem, "");
    device->emitFrames(1);
    recording.session->stopRunning();
    const auto filmed = device->filmedPhoto();
    EXPECT_EQ(filmed.path, directory / "b.png");
    EXPECT_EQ(filmed.problem.rfind("cannot decode: the PNG data is truncated or corrupt", 0), 0u)
        << filmed.problem;
}

TEST_F(PhotoCameraTest, DirectoryWithoutPhotosGivesNoCamera) {
    EXPECT_EQ(SimulatedCameraDevice::fromPhotos(directory), nullptr);
    EXPECT_EQ(SimulatedCameraDevice::fromPhoto(directory / "missing.jpg"), nullptr);
}

}  // namespace
}  // namespace camera_testing
