#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedScene.h"
#include "Platform/Graphics/Bitmap.h"

namespace quorvel::platform {

class SensorNoise;

// A camera for tests and demos that films a generated scene (SimulatedScene, the default) or
// still photos, and whose every reaction can be scripted. Reference type; thread-safe.
//
// Frames: 1920×1080 by default, landscape as a phone's sensor reads them, 32-bit BGRA. With a
// running session they come from the frame pump at the frame rate (30 per second by default,
// paced on Clock; none under a ManualClock), and from emitFrames, which steps them by hand.
//
// Photos: 4032×3024 by default, stored landscape as the sensor reads them, JPEG (quality 0.9)
// with the EXIF orientation a phone writes for the device orientation at the moment of the
// request: portrait 6, portraitUpsideDown 8, landscapeLeft 1, landscapeRight 3, and 6 for face
// up, face down and unknown. The scene does not turn with the device: it is the same sensor
// picture whatever the device orientation says.
//
// Defaults: a torch that is available, no RAW photos, a photo latency of 100 ms, every lock,
// input and output accepted.
class SimulatedCameraDevice final : public CaptureDevice {
    struct Token {};

public:
    // A camera filming `scene`, or a new SimulatedScene when none is given; nullptr when the
    // scene could not be made.
    static std::shared_ptr<SimulatedCameraDevice> make(
        std::shared_ptr<SimulatedScene> scene = nullptr);
    // A camera whose frames and photos are the photo at `path`, decoded once here; nullptr when
    // it does not decode, with why in `why` (in PictureFile's words) when it is given.
    static std::shared_ptr<SimulatedCameraDevice> fromPhoto(const std::filesystem::path& path,
                                                            std::string* why = nullptr);
    // Told of each file of a folder that is not filmed, and why (in PictureFile's words).
    using SkippedPhoto =
        std::function<void(const std::filesystem::path& file, const std::string& why)>;
    // A camera filming the photos in `directory` one page after another, in file-name order
    // (nullptr when none is a picture): the frames show one photo until a photo has been taken
    // of it; the next start of a session then shows the next one, and the first again after the
    // last. A photo request takes the photo of the last frame. setFramesPerPhoto makes the
    // frames move on by themselves instead.
    //
    // Only the files' headers are read here; `skipped` hears of each file that is no picture
    // (sub-folders are passed over). A photo is decoded when it is first filmed, one at a time:
    // one whose pixels turn out cut short or corrupt gives frames without pixels and photos
    // that fail, and filmedPhoto() says why.
    //
    // A photo is filmed as a phone held upright sees it: the picture upright (its EXIF
    // orientation applied), portrait or landscape, turned a quarter counter-clockwise in the
    // landscape sensor as the generated scene is, so that portrait frames and photos show it
    // upright. Frames and photos are the whole picture scaled to fit their size, centred, with
    // its own border continued, blurred and darkening, where their shape differs: nothing around
    // it draws an edge the photo does not show.
    static std::shared_ptr<SimulatedCameraDevice> fromPhotos(const std::filesystem::path& directory,
                                                             const SkippedPhoto& skipped = nullptr);

    SimulatedCameraDevice(Token, std::shared_ptr<SimulatedScene> scene,
                          std::vector<std::filesystem::path> photos);
    ~SimulatedCameraDevice() override;

    std::string localizedName() const override;

    // The filmed scene; nullptr for a camera of still photos.
    const std::shared_ptr<SimulatedScene>& scene() const { return scene_; }
    const std::vector<std::filesystem::path>& photoPaths() const { return photos_; }
    // The photo the frames show now, and why it shows no picture when it could not be decoded
    // (empty otherwise, and before it is first filmed). An empty path for the generated scene.
    struct FilmedPhoto {
        std::filesystem::path path;
        std::string problem;
    };
    FilmedPhoto filmedPhoto() const;

    // Frames.
    void setSensorSize(int width, int height);
    int sensorWidth() const;
    int sensorHeight() const;
    // Frames per second of the pump; 0 stops the pump (emitFrames still works).
    void setFrameRate(double framesPerSecond);
    double frameRate() const;
    // How many frames in a row show the same photo before the next one comes (photo cameras);
    // 0, the default, keeps each photo until it has been taken.
    void setFramesPerPhoto(int frames);
    // Delivers `count` frames to the running sessions' video outputs from the calling thread,
    // each after the delegates have finished with the one before (so late-frame discarding only
    // applies when a delegate is still busy with a frame from elsewhere). Returns how many frames
    // reached a delegate's queue; 0 when no session runs with this camera.
    int emitFrames(int count);
    // The next frame as the sensor reads it, not delivered: with emitFrame, the camera's own
    // making of a frame's pixels can be measured apart from what the outputs do with it.
    std::shared_ptr<SensorFrame> readFrame();
    // Delivers `frame` as emitFrames delivers each of its frames; true when it reached a
    // delegate's queue.
    bool emitFrame(const std::shared_ptr<SensorFrame>& frame);
    // The next `count` frames come without a pixel buffer.
    void dropPixelBufferOfNextFrames(int count);
    // Frames read from the sensor so far (by the pump or emitFrames).
    int capturedFrameCount() const;

    // Photos.
    void setPhotoSize(int width, int height);
    int photoWidth() const;
    int photoHeight() const;
    void setPhotoLatency(Duration latency);
    // The next photo request ends with `error`.
    void failNextPhoto(CameraError error);
    int photoRequestCount() const;

    // Script.
    using CaptureDevice::setHasTorch;
    using CaptureDevice::setRefusesLock;
    using CaptureDevice::setRefusesTorchLevel;
    using CaptureDevice::setTorchActiveInAutomaticMode;
    using CaptureDevice::setTorchAvailable;
    // RAW photos: the DNG file type with the Bayer pixel format rawBayerPixelFormat.
    void setSupportsRaw(bool supports);
    void setRefusesInput(bool refuses);
    void setRefusesPhotoOutput(bool refuses);
    void setRefusesVideoOutput(bool refuses);
    // While held, a session's startRunning waits (as for a camera that is slow to power up)
    // until starts are released again.
    void holdSessionStarts(bool hold);
    // Starts waiting because of holdSessionStarts.
    int heldSessionStartCount() const;
    // Sets the camera permission of the process (CameraAuthorization::set).
    void setAuthorization(AuthorizationStatus status);

protected:
    std::optional<Duration> frameInterval() const override;
    std::shared_ptr<SensorFrame> captureFrame() override;
    PhotoJob preparePhoto(const PhotoSettings& settings) override;
    Duration photoLatency() const override;
    bool supportsRawPhotos() const override;
    void sessionWillStart() override;
    bool refusesSessionInput() const override;
    bool refusesPhotoOutput() const override;
    bool refusesVideoOutput() const override;

private:
    // The sensor picture of the photo at `index`, fitted into `width` × `height` (BGRA); empty
    // when it does not decode.
    cv::Mat photoPicture(std::size_t index, int width, int height) const;
    // The sensor picture of the photo at `index` at its own resolution (BGR), read once while it
    // is filmed; mutex_ held.
    cv::Mat sensorPictureLocked(std::size_t index) const;
    // The picture every photo of the photo at `index` shows, `width` × `height`, made once while
    // it is filmed; nullptr when it does not decode. mutex_ held.
    std::shared_ptr<const Bitmap> photoBitmapLocked(std::size_t index, int width, int height) const;

    const std::shared_ptr<SimulatedScene> scene_;
    const std::vector<std::filesystem::path> photos_;

    mutable std::mutex mutex_;
    std::condition_variable startsReleased_;
    bool holdsStarts_ = false;
    int heldStarts_ = 0;
    int sensorWidth_ = 1920;
    int sensorHeight_ = 1080;
    double frameRate_ = 30;
    int framesPerPhoto_ = 0;
    int framesWithoutPixels_ = 0;
    int capturedFrames_ = 0;
    std::size_t currentPhoto_ = 0;
    // A photo was taken of the current photo: the next session start moves on.
    bool photoTaken_ = false;
    // The photo being filmed, as the sensor reads it, and the last picture made of it for
    // frames, by index and size.
    mutable std::optional<std::size_t> sensorPictureIndex_;
    mutable cv::Mat sensorPicture_;
    // Why sensorPicture_ is empty, when it is.
    mutable std::string sensorPictureProblem_;
    mutable std::optional<std::tuple<std::size_t, int, int>> framedKey_;
    mutable cv::Mat framedPicture_;
    // The last picture made for photos, by index and size.
    mutable std::optional<std::tuple<std::size_t, int, int>> photoBitmapKey_;
    mutable std::shared_ptr<const Bitmap> photoBitmap_;
    std::shared_ptr<const SensorNoise> noise_;
    // Preparations of the scene's photo picture still running on a global queue: the device
    // waits for them when it goes, so that none runs on into the program's exit.
    struct Preparations {
        std::mutex mutex;
        std::condition_variable finished;
        int running = 0;
    };
    const std::shared_ptr<Preparations> preparations_ = std::make_shared<Preparations>();
    int photoWidth_ = 4032;
    int photoHeight_ = 3024;
    Duration photoLatency_ = std::chrono::milliseconds(100);
    std::optional<CameraError> nextPhotoError_;
    int photoRequests_ = 0;
    bool supportsRaw_ = false;
    bool refusesInput_ = false;
    bool refusesPhotoOutput_ = false;
    bool refusesVideoOutput_ = false;
};

}  // namespace quorvel::platform
