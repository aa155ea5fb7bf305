#pragma once

#include <atomic>
#include <memory>

namespace quorvel {

// The nine on/off switches of the capture flow, all on by default. The host may change a switch at
// any time; every reader looks it up at the moment of use. Switches are read on other threads than
// the host writes them, so each one is an atomic flag (relaxed: a switch orders nothing else).
class CaptureFeatures {
public:
    CaptureFeatures() = default;
    CaptureFeatures(const CaptureFeatures&) = delete;
    CaptureFeatures& operator=(const CaptureFeatures&) = delete;

    // A new set of switches, all on, on every call.
    static std::shared_ptr<CaptureFeatures> getInstance();

    bool enableFeedbackToast() const { return load(enableFeedbackToast_); }
    void setEnableFeedbackToast(bool on) { store(enableFeedbackToast_, on); }
    bool enableBlurDetection() const { return load(enableBlurDetection_); }
    void setEnableBlurDetection(bool on) { store(enableBlurDetection_, on); }
    bool enableAutoCapture() const { return load(enableAutoCapture_); }
    void setEnableAutoCapture(bool on) { store(enableAutoCapture_, on); }
    bool enableImageGallery() const { return load(enableImageGallery_); }
    void setEnableImageGallery(bool on) { store(enableImageGallery_, on); }
    bool enableAddPage() const { return load(enableAddPage_); }
    void setEnableAddPage(bool on) { store(enableAddPage_, on); }
    bool enableLongCapture() const { return load(enableLongCapture_); }
    void setEnableLongCapture(bool on) { store(enableLongCapture_, on); }
    bool enableCrop() const { return load(enableCrop_); }
    void setEnableCrop(bool on) { store(enableCrop_, on); }
    bool enableFlash() const { return load(enableFlash_); }
    void setEnableFlash(bool on) { store(enableFlash_, on); }
    bool defaultToAutoCapture() const { return load(defaultToAutoCapture_); }
    void setDefaultToAutoCapture(bool on) { store(defaultToAutoCapture_, on); }

private:
    static bool load(const std::atomic<bool>& flag) { return flag.load(std::memory_order_relaxed); }
    static void store(std::atomic<bool>& flag, bool on) {
        flag.store(on, std::memory_order_relaxed);
    }

    std::atomic<bool> enableFeedbackToast_{true};
    std::atomic<bool> enableBlurDetection_{true};
    std::atomic<bool> enableAutoCapture_{true};
    std::atomic<bool> enableImageGallery_{true};
    std::atomic<bool> enableAddPage_{true};
    std::atomic<bool> enableLongCapture_{true};
    std::atomic<bool> enableCrop_{true};
    std::atomic<bool> enableFlash_{true};
    std::atomic<bool> defaultToAutoCapture_{true};
};

}  // namespace quorvel
