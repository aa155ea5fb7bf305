#pragma once

#include <opencv2/core.hpp>

#include "Platform/Imaging/ParallelHandOver.h"

namespace quorvel::platform {

// Runs `body` over parts of `range` on OpenCV's worker threads (cv::parallel_for_ with that many
// stripes; -1 lets OpenCV choose), and waits for them. The hand-over to the workers and back is
// marked for the race checker (see ParallelHandOver.h): each part starts after what the caller
// wrote before the call, and the caller goes on after every part, while the parts themselves stay
// unordered, so a race between two of them is still reported. The loop body is an object on the
// caller's stack, not a lambda that OpenCV would wrap in a std::function on the heap and free
// while a worker may still have read it last.
template <class Body>
void forEachRange(const cv::Range& range, const Body& body, double stripes = -1) {
    class HandedOver : public cv::ParallelLoopBody {
    public:
        explicit HandedOver(const Body& body) : body_(body) {}

        void run(const cv::Range& range, double stripes) {
            QUORVEL_HAND_OVER_RELEASE(&start_);
            cv::parallel_for_(range, *this, stripes);
            QUORVEL_HAND_OVER_ACQUIRE(&done_);
        }

        void operator()(const cv::Range& part) const override {
            QUORVEL_HAND_OVER_ACQUIRE(&start_);
            body_(part);
            QUORVEL_HAND_OVER_RELEASE(&done_);
        }

    private:
        const Body& body_;
        mutable char start_ = 0;
        mutable char done_ = 0;
    };
    HandedOver(body).run(range, stripes);
}

}  // namespace quorvel::platform
