#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {

std::shared_ptr<platform::Bundle> ResourceBundle::resources() {
    // Any symbol of this library locates the library's directory.
    auto framework = platform::Bundle::containing(reinterpret_cast<const void*>(&resources));
    auto url = framework->urlForResource(resourceBundleName, "bundle");
    if (!url) return framework;
    auto bundle = platform::Bundle::atPath(*url);
    return bundle ? bundle : framework;
}

}  // namespace quorvel
