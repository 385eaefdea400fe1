#include "files/TextFileOut.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Fail(std::string* error, const std::string& what, int err) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(err);
    }
    return false;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::atomic<unsigned> tempCounter{0};

} // namespace

bool TextFileOut::Commit(const std::string& fileName, std::string* error) const {
    if (fileName.empty()) {
        return Fail(error, "empty file name", EINVAL);
    }
    struct stat target {};
    const bool exists = ::stat(fileName.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode)) {
        // Renaming over a directory or a device would not write the file the user asked for.
        return Fail(error, "cannot write " + fileName, S_ISDIR(target.st_mode) ? EISDIR : EINVAL);
    }

    // The temporary file sits beside the target so that the rename stays on one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = fileName + ".tmp" + std::to_string(::getpid()) + "_" +
               std::to_string(tempCounter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Fail(error, "cannot create " + fileName, errno);
        }
    }
    if (fd < 0) {
        return Fail(error, "cannot create a temporary file for " + fileName, EEXIST);
    }
    int err = 0;
    if (exists) {
        // Replacing a file keeps its access rights (not its owner: that needs privileges).
        if (::fchmod(fd, target.st_mode & 07777) != 0) {
            err = errno;
        }
    }
    if (err == 0 && !WriteAll(fd, text_.data(), text_.size())) {
        err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        err = errno;
    }
    if (::close(fd) != 0 && err == 0 && errno != EINTR) {
        err = errno;
    }
    if (err == 0 && ::rename(temp.c_str(), fileName.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(temp.c_str());
        return Fail(error, "cannot write " + fileName, err);
    }
    return true;
}
