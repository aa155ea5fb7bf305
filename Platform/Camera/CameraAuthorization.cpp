#include "Platform/Camera/CameraAuthorization.h"

#include <mutex>

#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {
namespace {

struct AuthorizationState {
    std::mutex mutex;
    AuthorizationStatus status = AuthorizationStatus::notDetermined;
    bool answer = true;
};

AuthorizationState& state() {
    static AuthorizationState* const instance = new AuthorizationState;
    return *instance;
}

}  // namespace

AuthorizationStatus CameraAuthorization::status() {
    std::lock_guard lock(state().mutex);
    return state().status;
}

void CameraAuthorization::set(AuthorizationStatus status) {
    std::lock_guard lock(state().mutex);
    state().status = status;
}

void CameraAuthorization::setAnswer(bool grants) {
    std::lock_guard lock(state().mutex);
    state().answer = grants;
}

void CameraAuthorization::reset() {
    std::lock_guard lock(state().mutex);
    state().status = AuthorizationStatus::notDetermined;
    state().answer = true;
}

void CameraAuthorization::request(std::function<void(bool granted)> completion) {
    bool granted = false;
    {
        std::lock_guard lock(state().mutex);
        AuthorizationState& s = state();
        if (s.status == AuthorizationStatus::notDetermined) {
            s.status = s.answer ? AuthorizationStatus::authorized : AuthorizationStatus::denied;
        }
        granted = s.status == AuthorizationStatus::authorized;
    }
    if (completion) {
        DispatchQueue::global()->async(
            [completion = std::move(completion), granted] { completion(granted); });
    }
}

}  // namespace quorvel::platform
