#pragma once

#include <functional>
#include <memory>
#include <string>

namespace quorvel::platform {

class View;
class ViewController;

// Builders of nib views by name: a nib is code that builds a root view at 390 × 844 portrait
// and connects its owner's outlets (and actions). ViewController::loadView looks its nibName up
// here; views built from a nib by name (an icon button's content) use instantiate(). Builders
// are registered once per name, usually by a static registration in the file that defines the
// nib; a second registration under a name replaces the first. Main thread only.
class NibRegistry {
public:
    using Builder = std::function<std::shared_ptr<View>(ViewController& owner)>;
    using ViewBuilder = std::function<std::shared_ptr<View>(std::shared_ptr<void> owner)>;

    NibRegistry() = delete;

    static void registerBuilder(const std::string& name, Builder builder);
    static bool hasBuilder(const std::string& name);
    // Builds the named nib for `owner`; nullptr when no builder is registered.
    static std::shared_ptr<View> build(const std::string& name, ViewController& owner);

    // Nibs whose owner is not a view controller (a view that loads its content from a nib).
    // The owner is handed over as it is; the builder casts it to what it expects.
    static void registerViewBuilder(const std::string& name, ViewBuilder builder);
    static bool hasViewBuilder(const std::string& name);
    static std::shared_ptr<View> instantiate(const std::string& name, std::shared_ptr<void> owner);

    // Forgets every registration (tests).
    static void reset();
};

}  // namespace quorvel::platform
