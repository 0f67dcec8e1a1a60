// InstanceLock: flock on a lock file, and a Unix socket beside it.
#include "platform/posix/instance_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace advplay::platform {

namespace {

std::string runtime_folder()
{
    char const* folder = std::getenv("XDG_RUNTIME_DIR");
    return folder && *folder ? folder : "/tmp";
}

// FNV-1a: a short, stable name for a long path.
std::string hash_name(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3u;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name;
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(hash >> shift) & 0xF];
    return name;
}

bool fill_address(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

InstanceLock::InstanceLock(const std::string& game_root)
{
    std::string const base
        = runtime_folder() + "/advplay-" + std::to_string(::getuid()) + "-" + hash_name(game_root);
    m_lock_path = base + ".lock";
    m_socket_path = base + ".sock";
}

InstanceLock::~InstanceLock()
{
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_socket_path.c_str());
    }
    if (m_lock >= 0) {
        // Removed while still locked, so that no lock file is left behind for every game ever
        // played: a copy that opened it meanwhile finds, once it holds the lock, that the file is
        // gone, and makes a new one.
        ::unlink(m_lock_path.c_str());
        ::close(m_lock);
    }
}

InstanceLock::LockFile InstanceLock::take_lock_file()
{
    // Each further try follows a copy that removed the file as it ended.
    for (int attempt = 0; attempt < 8; ++attempt) {
        m_lock = ::open(m_lock_path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        if (m_lock < 0)
            return LockFile::Unavailable;
        if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
            int const error = errno;
            ::close(m_lock);
            m_lock = -1;
            return error == EWOULDBLOCK ? LockFile::HeldElsewhere : LockFile::Unavailable;
        }
        struct stat held { };
        struct stat named { };
        if (::fstat(m_lock, &held) == 0 && ::stat(m_lock_path.c_str(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return LockFile::Taken;
        ::close(m_lock);
        m_lock = -1;
    }
    return LockFile::Unavailable;
}

bool InstanceLock::claim()
{
    LockFile const lock_file = take_lock_file();
    if (lock_file == LockFile::Unavailable)
        return true;
    sockaddr_un address;
    bool const addressable = fill_address(m_socket_path, address);
    if (lock_file == LockFile::HeldElsewhere) {
        // Another copy holds the game: ask it to come to the front, and step aside.
        int const caller = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (caller >= 0 && addressable
            && ::connect(caller, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            char const request = 'r';
            (void)::write(caller, &request, 1);
        }
        if (caller >= 0)
            ::close(caller);
        return false;
    }
    // A socket left by a copy that crashed is stale: the lock says nobody listens on it.
    ::unlink(m_socket_path.c_str());
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listener >= 0
        && (!addressable
            || ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listener, 4) != 0)) {
        ::close(m_listener);
        m_listener = -1;
    }
    return true;
}

bool InstanceLock::raise_requested()
{
    if (m_listener < 0)
        return false;
    bool requested = false;
    for (;;) {
        int const caller = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (caller < 0)
            return requested;
        requested = true;
        ::close(caller);
    }
}

} // namespace advplay::platform
