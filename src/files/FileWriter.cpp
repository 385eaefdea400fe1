#include "files/FileWriter.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "files/TempNameGuard.h"

namespace {

std::atomic<WriteFault> g_fault{nullptr};
// Cleared when this system turned out unable to give an unnamed file a name (no /proc).
std::atomic<bool> g_unnamedTemps{true};

// True when a test made the step fail (errno set).
bool Injected(WriteStep step) {
    const WriteFault fault = g_fault.load();
    const int err = fault != nullptr ? fault(step) : 0;
    if (err != 0) {
        errno = err;
    }
    return err != 0;
}

bool Fail(std::string* error, const std::string& what, int err) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(err);
    }
    errno = err;
    return false;
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
        if (n <= 0 || n == static_cast<ssize_t>(sizeof link)) {
            err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        std::string next(link, static_cast<std::size_t>(n));
        target = next.front() == '/' ? next : FolderOf(target) + "/" + next;
    }
    err = ELOOP;
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        if (Injected(WriteStep::Write)) {
            return false;
        }
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

// Every byte written and on the disk; errno set when not. Some file systems cannot sync at
// all, which is no reason to call the write failed.
bool WriteAndSync(int fd, std::string_view bytes) {
    if (!WriteAll(fd, bytes)) {
        return false;
    }
    if (Injected(WriteStep::Sync)) {
        return false;
    }
    return ::fsync(fd) == 0 || errno == EINVAL;
}

bool CheckedClose(int fd) {
    if (Injected(WriteStep::Close)) {
        ::close(fd);
        return false;
    }
    return ::close(fd) == 0 || errno == EINTR;
}

// A short random name beside the target: a 255-byte target name must not push the temporary
// one over the name length limit.
std::string TempName(const std::string& folder) {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(::getpid()));
    std::string temp = folder + "/.tavrin-";
    for (int i = 0; i < 6; ++i) {
        temp.push_back(kChars[random() % (sizeof kChars - 1)]);
    }
    return temp;
}

// What is known of the name before anything is written.
struct Target {
    std::string path;     // the final target of any links
    bool exists = false;  // a regular file the user may write
    bool special = false; // a pipe, device or socket
    struct stat st {};
    int fd = -1; // open for writing when it exists: kept for an in-place rewrite
};

// The temporary file the bytes go to.
class Temp {
public:
    Temp() = default;
    ~Temp() { Discard(); }
    Temp(const Temp&) = delete;
    Temp& operator=(const Temp&) = delete;

    // An unnamed file in folder where the file system allows it, a new short name otherwise.
    bool Create(const std::string& folder, mode_t mode, bool unnamed) {
        if (Injected(WriteStep::CreateTemp)) {
            return false;
        }
        if (unnamed) {
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
            if (fd_ >= 0) {
                return true;
            }
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                return false;
            }
        }
        return CreateNamed(folder, mode);
    }
    int Fd() const { return fd_; }
    bool Unnamed() const { return fd_ >= 0 && name_.empty(); }

    // Closes the file, checked; a named file keeps its name.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return CheckedClose(fd);
    }
    // Gives the unnamed file the name `to` (which must not exist yet).
    bool Link(const std::string& to) {
        char proc[40];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_);
        if (::linkat(AT_FDCWD, proc, AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        return false;
    }
    // Gives the unnamed file a temporary name of its own, to be renamed over the target.
    bool LinkTemp(const std::string& folder) {
        StopSignalsBlocked blocked;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = TempName(folder);
            if (Link(name)) {
                Named(name);
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }
    // The named temporary now is the target (or is gone): nothing left to remove.
    void Moved() {
        name_.clear();
        guard_.Release();
    }
    void Discard() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (!name_.empty()) {
            ::unlink(name_.c_str());
            Moved();
        }
    }
    const std::string& Name() const { return name_; }

private:
    bool CreateNamed(const std::string& folder, mode_t mode) {
        StopSignalsBlocked blocked;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = TempName(folder);
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
            if (fd_ >= 0) {
                Named(name);
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }
    void Named(const std::string& name) {
        name_ = name;
        guard_.Hold(name_);
    }

    int fd_ = -1;
    std::string name_;
    TempNameGuard guard_;
};

bool Examine(const std::string& fileName, IfExists ifExists, Target& t, int& err) {
    if (!FollowLinks(fileName, t.path, err)) {
        return false;
    }
    struct stat own {};
    if (ifExists == IfExists::Fail && ::lstat(fileName.c_str(), &own) == 0) {
        err = EEXIST;
        return false;
    }
    if (::stat(t.path.c_str(), &t.st) != 0) {
        err = errno;
        return err == ENOENT;
    }
    // A folder, pipe or device is never opened for writing or replaced.
    if (!S_ISREG(t.st.st_mode)) {
        t.special = !S_ISDIR(t.st.st_mode);
        err = t.special ? EINVAL : EISDIR;
        return false;
    }
    // Opening asks the system itself whether this user may change the file (access rights,
    // ACLs, read-only mounts); a file the user cannot write is never replaced.
    t.fd = ::open(t.path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (t.fd < 0 || ::fstat(t.fd, &t.st) != 0 || !S_ISREG(t.st.st_mode)) {
        err = t.fd < 0 || S_ISREG(t.st.st_mode) ? errno : EINVAL;
        return false;
    }
    t.exists = true;
    return true;
}

// The replacement keeps the file's owner and group where this user may hand them on (the
// owner first: a change of owner clears the set-id bits), and its access rights.
bool KeepOwnerAndMode(int fd, const struct stat& old) {
    struct stat made {};
    if (::fstat(fd, &made) != 0) {
        return false;
    }
    mode_t mode = old.st_mode & 07777;
    if (made.st_uid != old.st_uid || made.st_gid != old.st_gid) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
            (made.st_gid == old.st_gid || ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)) {
            mode &= 01777; // set-id bits never go to another owner
        }
    }
    return ::fchmod(fd, mode) == 0;
}

// Moves the finished temporary to the target: over it (Replace) or only where nothing has the
// name (Fail). The unnamed file is linked directly where the name is free and otherwise given
// a short name first, since a link cannot replace a name.
bool Publish(Temp& temp, const Target& t, IfExists ifExists) {
    if (Injected(WriteStep::Publish)) {
        return false;
    }
    const std::string folder = FolderOf(t.path);
    if (temp.Unnamed()) {
        if (ifExists == IfExists::Fail || !t.exists) {
            if (temp.Link(t.path)) {
                if (temp.Close()) {
                    return true;
                }
                // The name was free: taking it away again restores the state before.
                const int err = errno;
                ::unlink(t.path.c_str());
                errno = err;
                return false;
            }
            if (ifExists == IfExists::Fail || errno != EEXIST) {
                return false;
            }
        }
        if (!temp.LinkTemp(folder)) {
            return false;
        }
    }
    if (!temp.Close()) {
        return false;
    }
    if (ifExists == IfExists::Fail) {
        if (::renameat2(AT_FDCWD, temp.Name().c_str(), AT_FDCWD, t.path.c_str(),
                        RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL || ::link(temp.Name().c_str(), t.path.c_str()) != 0) {
                return false;
            }
            ::unlink(temp.Name().c_str());
        }
    } else if (::rename(temp.Name().c_str(), t.path.c_str()) != 0) {
        return false;
    }
    temp.Moved();
    return true;
}

void SyncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Rewrites the file through its open descriptor: over the old bytes first and cut to length
// afterwards, so that a file that does not grow needs no new room on the disk.
int RewriteInPlace(Target& t, std::string_view bytes) {
    const int fd = t.fd;
    t.fd = -1;
    int err = 0;
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 || !WriteAll(fd, bytes) ||
        ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || !WriteAndSync(fd, {})) {
        err = errno;
    }
    if (!CheckedClose(fd) && err == 0) {
        err = errno;
    }
    return err;
}

// 0 when the bytes are in place, otherwise the errno of the step that failed. `retry` is set
// when the unnamed temporary could not be given a name, so that a named one should be tried.
int ReplaceThroughTemp(Target& t, std::string_view bytes, IfExists ifExists, bool unnamed,
                       bool& retry) {
    Temp temp;
    if (!temp.Create(FolderOf(t.path), t.exists ? 0600 : 0666, unnamed)) {
        const int err = errno;
        // Only a folder that takes no new entries, while the file itself is writable,
        // justifies writing in place; a full disk or inode table fails with the file intact.
        if (t.exists && (err == EACCES || err == EPERM || err == EROFS)) {
            return RewriteInPlace(t, bytes);
        }
        return err;
    }
    if ((t.exists && !KeepOwnerAndMode(temp.Fd(), t.st)) || !WriteAndSync(temp.Fd(), bytes)) {
        return errno;
    }
    const bool wasUnnamed = temp.Unnamed();
    if (!Publish(temp, t, ifExists)) {
        const int err = errno;
        retry = wasUnnamed && temp.Unnamed() && (err == ENOENT || err == EPERM);
        return err;
    }
    SyncFolder(FolderOf(t.path));
    return 0;
}

} // namespace

bool WriteFileBytes(const std::string& fileName, std::string_view bytes, IfExists ifExists,
                    std::string* error) {
    if (fileName.empty()) {
        return Fail(error, "empty file name", EINVAL);
    }
    Target t;
    int err = 0;
    if (!Examine(fileName, ifExists, t, err)) {
        if (t.fd >= 0) {
            ::close(t.fd);
        }
        if (t.special && error != nullptr) {
            *error = "cannot write " + fileName + ": not a regular file";
        }
        return Fail(t.special ? nullptr : error, "cannot write " + fileName, err);
    }
    bool retry = false;
    err = ReplaceThroughTemp(t, bytes, ifExists, g_unnamedTemps.load(), retry);
    if (retry) {
        g_unnamedTemps.store(false);
        retry = false;
        err = ReplaceThroughTemp(t, bytes, ifExists, false, retry);
    }
    if (t.fd >= 0) {
        ::close(t.fd);
    }
    return err == 0 || Fail(error, "cannot write " + fileName, err);
}

bool NameTaken(const std::string& fileName) {
    struct stat st {};
    return ::lstat(fileName.c_str(), &st) == 0;
}

void SetWriteFaultForTests(WriteFault fault) {
    g_fault.store(fault);
}

void UseNamedTempsForTests() {
    g_unnamedTemps.store(false);
}
