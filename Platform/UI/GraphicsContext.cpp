#include "Platform/UI/GraphicsContext.h"

namespace quorvel::platform {

namespace {

GraphicsContext*& currentContext() {
    static GraphicsContext* context = nullptr;
    return context;
}

}  // namespace

GraphicsContext* GraphicsContext::current() {
    return currentContext();
}

GraphicsContext::Scope::Scope(GraphicsContext* context) : previous_(currentContext()) {
    currentContext() = context;
}

GraphicsContext::Scope::~Scope() {
    currentContext() = previous_;
}

}  // namespace quorvel::platform
