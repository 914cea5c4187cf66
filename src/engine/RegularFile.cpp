#include "engine/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool refuse(std::string* why, const std::string& reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

bool acceptable(const struct stat& info, long long maxBytes, std::string* why) {
    if (S_ISDIR(info.st_mode)) {
        return refuse(why, "it is a folder");
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse(why, "it is not a regular file");
    }
    if (info.st_size > maxBytes) {
        return refuse(why, "it is larger than " + std::to_string(maxBytes >> 20) + " MiB");
    }
    return true;
}

}  // namespace

bool isRegularFileOfAtMost(const std::string& path, long long maxBytes, std::string* why) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return refuse(why, std::strerror(errno));
    }
    return acceptable(info, maxBytes, why);
}

bool readRegularFile(const std::string& path, long long maxBytes, std::string& bytes,
                     std::string* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return refuse(why, std::strerror(errno));
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 ? acceptable(info, maxBytes, why)
                                      : refuse(why, std::strerror(errno));
    if (ok) {
        bytes.clear();
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        char block[1 << 16];
        for (;;) {
            const ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                ok = refuse(why, std::strerror(errno));
                break;
            }
            if (got == 0) {
                break;
            }
            // A file that grows while it is read is held to the bound too.
            if (static_cast<long long>(bytes.size()) + got > maxBytes) {
                ok = refuse(why, "it is larger than " + std::to_string(maxBytes >> 20) + " MiB");
                break;
            }
            bytes.append(block, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return ok;
}
