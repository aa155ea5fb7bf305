#include "Platform/Imaging/VideoFrameSource.h"

#include <algorithm>

namespace quorvel::platform {

void VideoFrameSource::addViewer(const std::shared_ptr<VideoFrameViewer>& viewer) {
    if (!viewer) {
        return;
    }
    std::lock_guard lock(viewersMutex_);
    std::erase_if(viewers_, [&](const auto& weak) {
        auto present = weak.lock();
        return !present || present == viewer;
    });
    viewers_.push_back(viewer);
}

void VideoFrameSource::removeViewer(const VideoFrameViewer* viewer) {
    std::lock_guard lock(viewersMutex_);
    std::erase_if(viewers_, [&](const auto& weak) {
        auto present = weak.lock();
        return !present || present.get() == viewer;
    });
}

void VideoFrameSource::notifyViewers() const {
    std::vector<std::shared_ptr<VideoFrameViewer>> viewers;
    {
        std::lock_guard lock(viewersMutex_);
        viewers.reserve(viewers_.size());
        for (const auto& weak : viewers_) {
            if (auto viewer = weak.lock()) {
                viewers.push_back(std::move(viewer));
            }
        }
    }
    // Told outside the lock: a viewer may add or remove viewers meanwhile.
    for (const auto& viewer : viewers) {
        viewer->videoFrameArrived();
    }
}

}  // namespace quorvel::platform
