#include "Source/Configuration/CaptureFeatures.h"

namespace quorvel {

std::shared_ptr<CaptureFeatures> CaptureFeatures::getInstance() {
    return std::make_shared<CaptureFeatures>();
}

}  // namespace quorvel
