#pragma once

#include <opencv2/core.hpp>
#include <utility>

namespace quorvel::platform {

// Runs `body` over parts of `range` on OpenCV's worker threads (cv::parallel_for_ with that many
// stripes; -1 lets OpenCV choose), and waits for them. In a ThreadSanitizer build the whole range
// runs on the calling thread instead: the workers take their parts and report back inside
// uninstrumented libraries, so the sanitizer could not see that the caller's later writes follow
// the workers' reads.
template <class Body>
void forEachRange(const cv::Range& range, Body&& body, double stripes = -1) {
#if defined(__SANITIZE_THREAD__)
    (void)stripes;
    body(range);
#else
    cv::parallel_for_(range, std::forward<Body>(body), stripes);
#endif
}

}  // namespace quorvel::platform
