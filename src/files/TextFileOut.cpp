#include "files/TextFileOut.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <random>
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

// Writes every byte, flushes it to the disk and closes fd (also on failure); 0 or the first
// error seen.
int WriteSyncClose(int fd, const std::string& text) {
    int err = 0;
    if (!WriteAll(fd, text.data(), text.size())) {
        err = errno;
    }
    // Some file systems cannot sync at all; that is no reason to call the save failed.
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        err = errno;
    }
    if (::close(fd) != 0 && err == 0 && errno != EINTR) {
        err = errno;
    }
    return err;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the bytes belong in: symbolic links are followed to their final target (a dangling
// one names the file to create), so a link stays a link and the file it names is updated.
bool FollowLinks(const std::string& name, std::string& target, int& err) {
    target = name;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return true;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), link, sizeof link);
        if (n < 0 || n == static_cast<ssize_t>(sizeof link)) {
            err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        std::string next(link, static_cast<std::size_t>(n));
        target = next.front() == '/' ? next : FolderOf(target) + "/" + next;
    }
    err = ELOOP;
    return false;
}

// A new, exclusively created file beside the target with a short random name (a long target
// name must not push the temporary one over the name length limit).
int CreateTemp(const std::string& folder, mode_t mode, std::string& temp) {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(::getpid()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + "/.tavrin-";
        for (int i = 0; i < 6; ++i) {
            temp.push_back(kChars[random() % (sizeof kChars - 1)]);
        }
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

enum class Replaced { Done, Refused, Failed };

// Writes the text to a temporary file and renames it over target. Refused: the folder would
// not take a temporary file or the rename, or the replacement could not keep the owner of
// `existing`; nothing was changed and nothing is left behind.
Replaced ReplaceThroughTemp(const std::string& target, const struct stat* existing,
                            const std::string& text, int& err) {
    std::string temp;
    const int fd = CreateTemp(FolderOf(target), existing != nullptr ? 0600 : 0666, temp);
    if (fd < 0) {
        err = errno;
        return Replaced::Refused;
    }
    auto discard = [&](int e, Replaced how) {
        ::unlink(temp.c_str());
        err = e;
        return how;
    };
    if (existing != nullptr) {
        // The replacement keeps the file's owner, group and access rights (the owner first:
        // a change of owner clears the set-id bits).
        struct stat made {};
        if (::fstat(fd, &made) != 0 ||
            ((made.st_uid != existing->st_uid || made.st_gid != existing->st_gid) &&
             ::fchown(fd, existing->st_uid, existing->st_gid) != 0)) {
            const int e = errno;
            ::close(fd);
            return discard(e, Replaced::Refused);
        }
        if (::fchmod(fd, existing->st_mode & 07777) != 0) {
            const int e = errno;
            ::close(fd);
            return discard(e, Replaced::Failed);
        }
    }
    if (const int e = WriteSyncClose(fd, text); e != 0) {
        return discard(e, Replaced::Failed);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        // A sticky folder lets only the owner replace a file there.
        const int e = errno;
        return discard(e, e == EPERM || e == EACCES ? Replaced::Refused : Replaced::Failed);
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return Replaced::Done;
}

} // namespace

bool TextFileOut::Commit(const std::string& fileName, std::string* error) const {
    if (fileName.empty()) {
        return Fail(error, "empty file name", EINVAL);
    }
    std::string target;
    int err = 0;
    if (!FollowLinks(fileName, target, err)) {
        return Fail(error, "cannot write " + fileName, err);
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return Fail(error, "cannot write " + fileName, errno);
        }
        if (ReplaceThroughTemp(target, nullptr, text_, err) != Replaced::Done) {
            return Fail(error, "cannot create " + fileName, err);
        }
        return true;
    }
    // A folder, pipe or device is never opened or replaced: it is not the file the user meant.
    if (!S_ISREG(st.st_mode)) {
        return Fail(error, "cannot write " + fileName, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    // Opening for writing asks the system itself whether this user may change the file
    // (access rights, ACLs, read-only mounts); a file the user cannot write is never replaced.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return Fail(error, "cannot write " + fileName, errno);
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int e = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        return Fail(error, "cannot write " + fileName, e);
    }
    // A file with several hard links is written in place so that every name keeps seeing it.
    if (st.st_nlink <= 1) {
        switch (ReplaceThroughTemp(target, &st, text_, err)) {
        case Replaced::Done:
            ::close(fd);
            return true;
        case Replaced::Failed:
            ::close(fd);
            return Fail(error, "cannot write " + fileName, err);
        case Replaced::Refused:
            break; // the folder will not take a new file, but the file itself is writable
        }
    }
    err = 0;
    if (::ftruncate(fd, 0) != 0) {
        err = errno;
        ::close(fd);
    } else {
        err = WriteSyncClose(fd, text_);
    }
    return err == 0 || Fail(error, "cannot write " + fileName, err);
}
