#include "Platform/UI/Layer.h"

namespace quorvel::platform {

std::shared_ptr<Layer> Layer::make() {
    return std::shared_ptr<Layer>(new Layer());
}

}  // namespace quorvel::platform
