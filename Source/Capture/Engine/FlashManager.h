#pragma once

#include <memory>
#include <mutex>

namespace quorvel {

class FlashManagerDelegate {
public:
    virtual ~FlashManagerDelegate() = default;
    // The torch changed; called on the queue that asked for the change.
    virtual void torchStateChanged() = 0;
};

// The one torch switch of the process. It switches the default camera's torch and tells its
// delegate (the last camera screen to register) after every change that took place. Called from
// the main queue and from the global queue that starts the camera.
class FlashManager {
public:
    static FlashManager& instance();

    void setDelegate(std::weak_ptr<FlashManagerDelegate> delegate);
    std::shared_ptr<FlashManagerDelegate> delegate() const;

    // Whether the default camera's torch is lit now.
    bool isTorchActive() const;

    // Switches the torch on or off; failures are logged.
    void updateState(bool on);

private:
    FlashManager() = default;

    mutable std::mutex mutex_;
    std::weak_ptr<FlashManagerDelegate> delegate_;
};

}  // namespace quorvel
