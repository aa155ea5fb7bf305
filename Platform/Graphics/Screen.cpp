#include "Platform/Graphics/Screen.h"

#include <atomic>
#include <cmath>

namespace quorvel::platform {

namespace {

std::atomic<double>& mainScaleStorage() {
    static std::atomic<double> scale{Screen::defaultScale};
    return scale;
}

}  // namespace

double Screen::mainScale() {
    return mainScaleStorage().load(std::memory_order_relaxed);
}

void Screen::setMainScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0) {
        return;
    }
    mainScaleStorage().store(scale, std::memory_order_relaxed);
}

}  // namespace quorvel::platform
