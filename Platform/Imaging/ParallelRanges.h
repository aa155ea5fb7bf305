#pragma once

#include <opencv2/core.hpp>

#include "Platform/Imaging/ParallelHandOver.h"

namespace quorvel::platform {

// Runs `body` over parts of `range` on OpenCV's worker threads (cv::parallel_for_ with that many
// stripes; -1 lets OpenCV choose), and waits for them. The hand-over to the workers and back is
// marked for the race checker (see ParallelHandOver.h): each part starts after what the caller
// wrote before the call, and the caller goes on after every part, while the parts themselves stay
// unordered, so a race between two of them is still reported.
template <class Body>
void forEachRange(const cv::Range& range, const Body& body, double stripes = -1) {
    char start = 0;
    char done = 0;
    QUORVEL_HAND_OVER_RELEASE(&start);
    cv::parallel_for_(
        range,
        [&](const cv::Range& part) {
            QUORVEL_HAND_OVER_ACQUIRE(&start);
            body(part);
            QUORVEL_HAND_OVER_RELEASE(&done);
        },
        stripes);
    QUORVEL_HAND_OVER_ACQUIRE(&done);
}

}  // namespace quorvel::platform
