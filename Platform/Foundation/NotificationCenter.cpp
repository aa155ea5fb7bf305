#include "Platform/Foundation/NotificationCenter.h"

#include <algorithm>
#include <utility>

namespace quorvel::platform {

namespace {

bool sameOwner(const std::weak_ptr<const void>& a, const std::weak_ptr<const void>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

}  // namespace

std::shared_ptr<NotificationCenter> NotificationCenter::defaultCenter() {
    // Never destroyed, so that observers going away during exit can still unregister.
    static const auto* const center =
        new std::shared_ptr<NotificationCenter>(std::make_shared<NotificationCenter>());
    return *center;
}

ObserverToken NotificationCenter::addObserver(std::string name, std::weak_ptr<const void> observer,
                                              Block block) {
    return add(std::move(name), true, std::move(observer), std::move(block));
}

ObserverToken NotificationCenter::addObserver(std::string name, Block block) {
    return add(std::move(name), false, {}, std::move(block));
}

ObserverToken NotificationCenter::add(std::string name, bool owned, std::weak_ptr<const void> owner,
                                      Block block) {
    if (!block) return {};
    auto registration = std::make_shared<Registration>();
    registration->name = std::move(name);
    registration->owned = owned;
    registration->owner = std::move(owner);
    registration->block = std::move(block);
    std::lock_guard lock(mutex_);
    registration->id = nextId_++;
    registrations_.push_back(registration);
    return ObserverToken{registration->id};
}

void NotificationCenter::removeObserver(ObserverToken token) {
    if (!token) return;
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const auto& registration) {
        if (registration->id != token.value) return false;
        registration->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const std::weak_ptr<const void>& observer) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const auto& registration) {
        if (!registration->owned || !sameOwner(registration->owner, observer)) return false;
        registration->removed = true;
        return true;
    });
}

void NotificationCenter::post(std::string_view name, NotificationUserInfo userInfo) {
    std::vector<std::shared_ptr<Registration>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& registration : registrations_) {
            if (registration->name.empty() || registration->name == name) {
                matching.push_back(registration);
            }
        }
    }
    if (matching.empty()) return;

    const Notification notification{std::string(name), std::move(userInfo)};
    std::vector<std::uint64_t> gone;
    for (const auto& registration : matching) {
        if (registration->removed) continue;
        if (!registration->owned) {
            registration->block(notification);
            continue;
        }
        const auto owner = registration->owner.lock();
        if (!owner) {
            gone.push_back(registration->id);
            continue;
        }
        registration->block(notification);
    }
    if (!gone.empty()) drop(gone);
}

void NotificationCenter::drop(const std::vector<std::uint64_t>& ids) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const auto& registration) {
        if (std::find(ids.begin(), ids.end(), registration->id) == ids.end()) return false;
        registration->removed = true;
        return true;
    });
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return registrations_.size();
}

}  // namespace quorvel::platform
