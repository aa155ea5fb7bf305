#include "Platform/UI/NibRegistry.h"

#include <map>

#include "Platform/UI/View.h"
#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

namespace {

std::map<std::string, NibRegistry::Builder>& builders() {
    static std::map<std::string, NibRegistry::Builder> map;
    return map;
}

std::map<std::string, NibRegistry::ViewBuilder>& viewBuilders() {
    static std::map<std::string, NibRegistry::ViewBuilder> map;
    return map;
}

}  // namespace

void NibRegistry::registerBuilder(const std::string& name, Builder builder) {
    builders()[name] = std::move(builder);
}

bool NibRegistry::hasBuilder(const std::string& name) {
    const auto it = builders().find(name);
    return it != builders().end() && it->second;
}

std::shared_ptr<View> NibRegistry::build(const std::string& name, ViewController& owner) {
    const auto it = builders().find(name);
    if (it == builders().end() || !it->second) {
        return nullptr;
    }
    auto builder = it->second;
    return builder(owner);
}

void NibRegistry::registerViewBuilder(const std::string& name, ViewBuilder builder) {
    viewBuilders()[name] = std::move(builder);
}

bool NibRegistry::hasViewBuilder(const std::string& name) {
    const auto it = viewBuilders().find(name);
    return it != viewBuilders().end() && it->second;
}

std::shared_ptr<View> NibRegistry::instantiate(const std::string& name,
                                               std::shared_ptr<void> owner) {
    const auto it = viewBuilders().find(name);
    if (it == viewBuilders().end() || !it->second) {
        return nullptr;
    }
    auto builder = it->second;
    return builder(std::move(owner));
}

void NibRegistry::reset() {
    builders().clear();
    viewBuilders().clear();
}

}  // namespace quorvel::platform
