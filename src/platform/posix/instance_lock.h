// InstanceLock: one running copy per game folder, and a way for a second copy to call the first.
#pragma once

#include "platform/single_instance.h"

#include <string>

namespace advplay::platform {

// A lock file and a local socket in the user's runtime folder, named after the game folder, so
// that a game on a read-only disc works too.
class InstanceLock final : public SingleInstance {
public:
    explicit InstanceLock(const std::string& game_root);
    ~InstanceLock() override;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this copy now owns the game folder. False when another copy does; that copy has
    // been asked to come to the front. Where no lock can be made at all, every copy runs.
    bool claim() override;
    // Whether another copy asked to be replaced by this one's window since the last call.
    bool raise_requested() override;

private:
    enum class LockFile { Taken, HeldElsewhere, Unavailable };
    // Opens the lock file and locks it, leaving it in m_lock when taken.
    LockFile take_lock_file();

    std::string m_lock_path;
    std::string m_socket_path;
    int m_lock { -1 };
    int m_listener { -1 };
};

} // namespace advplay::platform
