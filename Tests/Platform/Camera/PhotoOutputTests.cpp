#include <gtest/gtest.h>

#include <chrono>

#include "CameraTestSupport.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/Image.h"

namespace camera_testing {
namespace {

using namespace std::chrono_literals;

class PhotoOutputTest : public CameraTest {
protected:
    // Takes a photo with a running session and delivers it.
    PhotoRecorder::Delivery takePhoto(const PhotoSettings& settings = PhotoSettings::jpeg()) {
        auto recorder = std::make_shared<PhotoRecorder>();
        photoOutput->capturePhoto(settings, recorder);
        clock.advance(100ms);
        auto delivery = recorder->waitForDelivery();
        EXPECT_TRUE(delivery);
        return delivery.value_or(PhotoRecorder::Delivery{});
    }

    static std::shared_ptr<Image> decode(const PhotoRecorder::Delivery& delivery) {
        if (!delivery.photo || !delivery.photo->fileDataRepresentation()) {
            return nullptr;
        }
        return Image::fromEncodedData(*delivery.photo->fileDataRepresentation());
    }
};

TEST_F(PhotoOutputTest, PhotoArrivesOnceAfterTheLatencyAndNeverBefore) {
    session->startRunning();
    auto recorder = std::make_shared<PhotoRecorder>();
    photoOutput->capturePhoto(PhotoSettings::jpeg(), recorder);
    drainPhotoQueue();
    EXPECT_EQ(recorder->count(), 0u);
    clock.advance(99ms);
    drainPhotoQueue();
    EXPECT_EQ(recorder->count(), 0u);

    clock.advance(1ms);
    const auto delivery = recorder->waitForDelivery();
    ASSERT_TRUE(delivery);
    EXPECT_TRUE(delivery->onCallbackQueue);
    EXPECT_FALSE(delivery->error);
    const auto image = decode(*delivery);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitmap()->width(), 800);
    EXPECT_EQ(image->bitmap()->height(), 600);

    clock.advance(10s);
    drainPhotoQueue();
    EXPECT_EQ(recorder->count(), 1u);
    EXPECT_EQ(device->photoRequestCount(), 1);
}

TEST_F(PhotoOutputTest, LatencyIsTheDevicesOwn) {
    device->setPhotoLatency(2s);
    session->startRunning();
    auto recorder = std::make_shared<PhotoRecorder>();
    photoOutput->capturePhoto(PhotoSettings::jpeg(), recorder);
    clock.advance(1999ms);
    drainPhotoQueue();
    EXPECT_EQ(recorder->count(), 0u);
    clock.advance(1ms);
    EXPECT_TRUE(recorder->waitForDelivery());
}

TEST_F(PhotoOutputTest, PhotoWithoutARunningSessionCarriesAnError) {
    const auto delivery = takePhoto();
    ASSERT_TRUE(delivery.error);
    EXPECT_FALSE(delivery.error->description().empty());
    ASSERT_NE(delivery.photo, nullptr);
    EXPECT_FALSE(delivery.photo->fileDataRepresentation());
}

TEST_F(PhotoOutputTest, ScriptedFailureEndsOnlyTheNextPhoto) {
    session->startRunning();
    device->failNextPhoto(CameraError{"The lens cap is on"});
    const auto failed = takePhoto();
    ASSERT_TRUE(failed.error);
    EXPECT_EQ(failed.error->localizedDescription, "The lens cap is on");
    EXPECT_FALSE(failed.photo->fileDataRepresentation());
    const auto next = takePhoto();
    EXPECT_FALSE(next.error);
    EXPECT_NE(decode(next), nullptr);
}

TEST_F(PhotoOutputTest, ADelegateGoneBeforeDeliveryIsNotCalled) {
    session->startRunning();
    auto recorder = std::make_shared<PhotoRecorder>();
    std::weak_ptr<PhotoRecorder> watcher = recorder;
    photoOutput->capturePhoto(PhotoSettings::jpeg(), std::move(recorder));
    EXPECT_TRUE(watcher.expired()) << "the photo output holds its delegate weakly";
    clock.advance(100ms);
    drainPhotoQueue();
}

TEST_F(PhotoOutputTest, JpegCarriesTheExifOrientationAPhoneWrites) {
    session->startRunning();
    const std::pair<DeviceOrientation, int> expectations[] = {
        {DeviceOrientation::portrait, 6},      {DeviceOrientation::portraitUpsideDown, 8},
        {DeviceOrientation::landscapeLeft, 1}, {DeviceOrientation::landscapeRight, 3},
        {DeviceOrientation::faceUp, 6},        {DeviceOrientation::faceDown, 6},
        {DeviceOrientation::unknown, 6}};
    for (const auto& [orientation, exif] : expectations) {
        Device::setOrientation(orientation);
        const auto image = decode(takePhoto());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(exifOrientation(image->orientation()), exif)
            << "device orientation " << static_cast<int>(orientation);
        // Stored as the sensor reads it, whatever the orientation.
        EXPECT_EQ(image->bitmap()->width(), 800);
    }
}

TEST_F(PhotoOutputTest, RawIsOfferedOnlyByARawCameraInTheSession) {
    auto loose = CapturePhotoOutput::make();
    device->setSupportsRaw(true);
    EXPECT_TRUE(loose->availableRawPhotoFileTypes().empty());
    EXPECT_EQ(photoOutput->availableRawPhotoFileTypes(),
              std::vector<RawPhotoFileType>{RawPhotoFileType::dng});
    EXPECT_EQ(photoOutput->supportedRawPhotoPixelFormatTypes(RawPhotoFileType::dng),
              std::vector<std::uint32_t>{rawBayerPixelFormat});
    device->setSupportsRaw(false);
    EXPECT_TRUE(photoOutput->availableRawPhotoFileTypes().empty());
    EXPECT_TRUE(photoOutput->supportedRawPhotoPixelFormatTypes(RawPhotoFileType::dng).empty());
}

TEST_F(PhotoOutputTest, RawOnlySettingsStillGiveADecodableJpeg) {
    device->setSupportsRaw(true);
    session->startRunning();
    const auto raw = takePhoto(PhotoSettings::raw(rawBayerPixelFormat));
    EXPECT_FALSE(raw.error);
    EXPECT_NE(decode(raw), nullptr);
    const auto both = takePhoto(PhotoSettings::rawPlusProcessed(rawBayerPixelFormat));
    EXPECT_NE(decode(both), nullptr);
}

TEST_F(PhotoOutputTest, RawSettingsFailOnACameraWithoutRaw) {
    session->startRunning();
    const auto delivery = takePhoto(PhotoSettings::raw(rawBayerPixelFormat));
    EXPECT_TRUE(delivery.error);
}

}  // namespace
}  // namespace camera_testing
