#include "form/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zorva {
namespace {

constexpr const char* kStandardOutput = "-";

std::string Folder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name for a file that need not exist yet: its folder made absolute, so
// that "a.csv" and "./a.csv" compare equal.
std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    if (realpath(Folder(path).c_str(), resolved) != nullptr) {
        return std::string(resolved) + "/" + BaseName(path);
    }
    return path;
}

}  // namespace

std::string ReasonInWords(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        case EFBIG:
            return "the file is larger than this system allows";
        case ENOMEM:
            return "not enough memory";
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOENT:
            return "the folder does not exist";
        case ENOTDIR:
            return "a part of the path is not a folder";
        case EISDIR:
            return "it is a folder";
        case EROFS:
            return "the disk is read-only";
        case ENAMETOOLONG:
            return "the name is too long";
        case EPIPE:
            return "the reader has gone";
        case EIO:
            return "the disk reported an error";
        default:
            // strerror is the system's own words, in English under the C locale
            // a command-line run keeps.
            return std::strerror(error);
    }
}

bool SameOutput(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    if (a == kStandardOutput || b == kStandardOutput) {
        return false;
    }
    struct stat first {};
    struct stat second {};
    if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    return Canonical(a) == Canonical(b);
}

OutputFile::OutputFile(std::string path) : name_(path), path_(std::move(path)) {
    if (path_ == kStandardOutput) {
        fd_ = STDOUT_FILENO;
        direct_ = true;
        return;
    }
    std::string target = path_;
    struct stat existing {};
    if (stat(path_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            fail(EISDIR);
            return;
        }
        // Replacing a FIFO or a device with a regular file would break
        // whatever reads from it, or the system's own /dev/null.
        if (!S_ISREG(existing.st_mode)) {
            direct_ = true;
            do {
                fd_ = open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            } while (fd_ < 0 && errno == EINTR);
            if (fd_ < 0) {
                fail(errno);
            }
            return;
        }
        // A link to a regular file: the file it leads to is replaced, the
        // link is kept.
        char resolved[PATH_MAX];
        if (realpath(path_.c_str(), resolved) != nullptr) {
            target = resolved;
        }
    }
    // O_EXCL never takes over a file that someone else made under the same
    // name; the mode 0666 is cut by the umask as for any new file.
    const std::string stem = Folder(target) + "/." + BaseName(target) + ".";
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = stem + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST && errno != EINTR) {
            break;
        }
    }
    if (fd_ < 0) {
        const int reason = errno;
        temporary_.clear();
        fail(reason);
        return;
    }
    // A replaced file keeps who may read it.
    if (S_ISREG(existing.st_mode)) {
        fchmod(fd_, existing.st_mode & 07777);
    }
    // The rename replaces the target, so the target is what the size is read from.
    path_ = std::move(target);
}

OutputFile::~OutputFile() {
    if (!committed_) {
        discard();
    }
}

bool OutputFile::Write(std::string_view bytes) {
    while (ok() && !bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno != EINTR) {
                fail(errno);
            }
            continue;
        }
        if (n == 0) {
            fail(EIO);
            continue;
        }
        written_ += static_cast<std::uint64_t>(n);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return ok();
}

bool OutputFile::Finish() {
    if (!ok() || finished_) {
        return ok();
    }
    finished_ = true;
    if (direct_) {
        // A FIFO or a device cannot be synced, and standard output stays open.
        if (fd_ != STDOUT_FILENO && close(fd_) != 0 && errno != EINTR) {
            fd_ = -1;
            fail(errno);
        }
        fd_ = -1;
        return ok();
    }
    // A full disk may only show here, once the file system has to place the
    // data; before the rename so that the old file is kept if it does.
    if (fsync(fd_) != 0) {
        fail(errno);
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) {
        fail(errno);
    }
    return ok();
}

bool OutputFile::Commit() {
    if (!Finish() || committed_) {
        return ok();
    }
    if (direct_) {
        committed_ = true;
        return true;
    }
    if (rename(temporary_.c_str(), path_.c_str()) != 0) {
        fail(errno);
        return false;
    }
    committed_ = true;
    temporary_.clear();
    // The rename is kept on the disk only once the folder is; a file system
    // that cannot sync a folder has nothing to do.
    const int folder = open(Folder(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    struct stat placed {};
    if (stat(path_.c_str(), &placed) != 0) {
        error_ = errno;
    } else if (static_cast<std::uint64_t>(placed.st_size) != written_) {
        error_ = EIO;
    }
    return ok();
}

std::string OutputFile::error() const {
    if (ok()) {
        return {};
    }
    return "Could not save " + (name_ == kStandardOutput ? "to standard output" : name_) + ": " +
           reason() + ".";
}

std::string OutputFile::reason() const {
    return ok() ? std::string() : ReasonInWords(error_);
}

void OutputFile::fail(int error) {
    if (error_ == 0) {
        error_ = error;
    }
    discard();
}

void OutputFile::discard() {
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) {
        close(fd_);
    }
    fd_ = -1;
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

std::string SaveBytes(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
    return file.error();
}

}  // namespace zorva
