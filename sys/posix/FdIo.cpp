#include "sys/posix/FdIo.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>

namespace kr8 {

namespace {

constexpr int kFreshTries = 16;

}  // namespace

bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return fsync(fd) == 0;
}

std::optional<std::string> ReadAll(int fd) {
    std::string bytes;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
}

std::optional<std::string> ReadRegularFile(const std::string& path) {
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return ReadAll(fd.get());
}

std::optional<FreshFile> CreateFreshFile(int folder, const std::string& stem, mode_t mode) {
    for (int i = 0; i < kFreshTries; ++i) {
        std::uint64_t random = 0;
        if (getrandom(&random, sizeof random, 0) != sizeof random) {
            return std::nullopt;
        }
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016" PRIx64, random);
        FreshFile fresh{UniqueFd(), stem + digits};
        fresh.fd.reset(openat(folder, fresh.name.c_str(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fresh.fd) {
            return fresh;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool ReplaceWhole(int folder, const std::string& name, const std::string& bytes, mode_t mode) {
    std::optional<FreshFile> fresh = CreateFreshFile(folder, "." + name + ".", mode);
    if (!fresh) {
        return false;
    }
    if (!WriteAll(fresh->fd.get(), bytes) ||
        renameat(folder, fresh->name.c_str(), folder, name.c_str()) != 0) {
        unlinkat(folder, fresh->name.c_str(), 0);
        return false;
    }
    return fsync(folder) == 0;
}

}  // namespace kr8
