// The simulated camera's still photo: from the request to the delivered JPEG of 4032 × 3024
// pixels, the photo latency set to zero, on the real clock. Once for the generated scene (a page
// on a desk, shaken and with sensor noise) and once for a camera filming a still photo. Each
// photo is taken at a new pose of the hand, as in the demo.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <opencv2/core.hpp>
#include <optional>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/CaptureDeviceInput.h"
#include "Platform/Camera/CapturePhotoOutput.h"
#include "Platform/Camera/CaptureSession.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Imaging/ImageEncoding.h"

namespace {

using namespace quorvel::platform;

class PhotoWaiter : public CapturePhotoCaptureDelegate {
public:
    void photoOutput(CapturePhotoOutput&, std::shared_ptr<CapturePhoto> photo,
                     std::optional<CameraError>) override {
        std::lock_guard lock(mutex_);
        bytes_ =
            photo && photo->fileDataRepresentation() ? photo->fileDataRepresentation()->size() : 0;
        arrived_ = true;
        changed_.notify_all();
    }
    // The size of the delivered file; 0 when it carried none.
    std::size_t wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return arrived_; });
        return bytes_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    std::size_t bytes_ = 0;
};

// A running session on a camera, with a photo output.
struct PhotoCamera {
    explicit PhotoCamera(std::shared_ptr<SimulatedCameraDevice> device)
        : camera(std::move(device)) {
        if (!camera) return;
        camera->setFrameRate(0);
        camera->setPhotoLatency(Duration::zero());
        session->addInput(CaptureDeviceInput::make(camera).first);
        session->addOutput(output);
        session->startRunning();
        camera->emitFrames(1);
        takePhoto();  // the first photo waits for what the camera prepares as it starts
    }
    ~PhotoCamera() { session->stopRunning(); }

    // The size of the delivered file; 0 when it carried none.
    std::size_t takePhoto() {
        auto waiter = std::make_shared<PhotoWaiter>();
        output->capturePhoto(PhotoSettings::jpeg(), waiter);
        return waiter->wait();
    }

    std::shared_ptr<SimulatedCameraDevice> camera;
    std::shared_ptr<CaptureSession> session = CaptureSession::make();
    std::shared_ptr<CapturePhotoOutput> output = CapturePhotoOutput::make();
};

// One photo per repetition, each at a new pose of the hand: the medians are reported.
void takePhoto(benchmark::State& state, PhotoCamera& photos) {
    if (!photos.camera) {
        state.SkipWithError("no camera");
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        photos.camera->emitFrames(1);
        state.ResumeTiming();
        bytes = photos.takePhoto();
    }
    if (bytes == 0) state.SkipWithError("no photo was delivered");
    state.counters["megabytes"] = static_cast<double>(bytes) / 1e6;
}

void BM_ScenePhoto(benchmark::State& state) {
    static PhotoCamera photos(SimulatedCameraDevice::make());
    takePhoto(state, photos);
}
BENCHMARK(BM_ScenePhoto)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->ReportAggregatesOnly(true);

// A 12-megapixel photo as a host passes it with --photo (the scene's own photo, as a file),
// filmed by a camera; the file is read by the camera's first frame and then removed.
std::shared_ptr<SimulatedCameraDevice> stillPhotoCamera(const std::filesystem::path& path) {
    auto scene = SimulatedScene::make();
    auto bitmap = Bitmap::make(4032, 3024);
    std::optional<Data> jpeg;
    if (scene && bitmap) {
        cv::Mat pixels(bitmap->height(), bitmap->width(), CV_8UC4, bitmap->mutableData(),
                       bitmap->bytesPerRow());
        if (scene->renderPhoto(pixels, scene->currentPose())) {
            jpeg = ImageEncoding::jpegData(*bitmap, 0.9, 1);
        }
    }
    if (!jpeg) return nullptr;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg->data()),
               static_cast<std::streamsize>(jpeg->size()));
    return SimulatedCameraDevice::fromPhoto(path);
}

void BM_StillPhotoCameraPhoto(benchmark::State& state) {
    static const auto path = std::filesystem::temp_directory_path() /
                             ("quorvel-still-photo-" + std::to_string(::getpid()) + ".jpg");
    static PhotoCamera photos(stillPhotoCamera(path));
    std::filesystem::remove(path);
    takePhoto(state, photos);
}
BENCHMARK(BM_StillPhotoCameraPhoto)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(21)
    ->ReportAggregatesOnly(true);

}  // namespace
