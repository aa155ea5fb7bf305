#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform {

// Extra information that travels with a notification, by key.
using NotificationUserInfo = std::map<std::string, std::string, std::less<>>;

struct Notification {
    std::string name;
    NotificationUserInfo userInfo;
};

// Names one registration; the empty token names none.
struct ObserverToken {
    std::uint64_t value = 0;

    explicit operator bool() const { return value != 0; }
    friend bool operator==(const ObserverToken&, const ObserverToken&) = default;
};

// Broadcasts named notifications to the blocks registered for that name.
//
// As on the phone platform, post() runs the blocks synchronously on the posting thread, in the
// order they were registered, and returns when all have run. Registration and removal may happen
// on any thread, and inside a block: a registration removed while a post is under way is not
// called by that post once removed; one added during a post is first called by the next post.
// No lock is held while a block runs, so a block may post, register and remove freely. A removal
// on one thread does not wait for a block already running on another.
class NotificationCenter {
public:
    using Block = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process-wide centre that platform services post to. Never null.
    static std::shared_ptr<NotificationCenter> defaultCenter();

    // Registers `block` for notifications called `name` (an empty name: every notification)
    // on behalf of `observer`, which the centre holds weakly: once the observer is gone its block
    // is no longer called, and the registration is dropped at the next post. The observer is
    // kept alive while its block runs. An empty block registers nothing.
    ObserverToken addObserver(std::string name, std::weak_ptr<const void> observer, Block block);

    // Registers `block` with no owner: it stays until removed by its token.
    ObserverToken addObserver(std::string name, Block block);

    // Removes one registration. Unknown or empty tokens are ignored.
    void removeObserver(ObserverToken token);
    // Removes every registration made for `observer`, which may already be gone.
    void removeObserver(const std::weak_ptr<const void>& observer);

    // Calls every block registered for `name` (and those registered for every notification).
    void post(std::string_view name, NotificationUserInfo userInfo = {});

    // Registrations currently held, including those whose observer is gone but not yet dropped.
    std::size_t observerCount() const;

private:
    struct Registration {
        std::uint64_t id;
        std::string name;
        bool owned;
        std::weak_ptr<const void> owner;
        Block block;
        std::atomic<bool> removed{false};
    };

    ObserverToken add(std::string name, bool owned, std::weak_ptr<const void> owner, Block block);
    void drop(const std::vector<std::uint64_t>& ids);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Registration>> registrations_;
    std::uint64_t nextId_ = 1;
};

}  // namespace quorvel::platform
