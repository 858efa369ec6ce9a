#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace quorvane {

// A file descriptor of our own, closed whatever happens.
class OwnedFile {
public:
    explicit OwnedFile(int fd = -1) : fd_(fd) { }
    ~OwnedFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes now, for the error a close can report (a delayed write that
    // failed); false then.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd)
    {
        close();
        fd_ = fd;
    }

private:
    int fd_;
};

// Writes all of size bytes, going on after an interrupted or partial write;
// false with errno set when the system refuses.
inline bool writeAll(int fd, const void* data, std::size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, at, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += written;
        size -= std::size_t(written);
    }
    return true;
}

} // namespace quorvane
