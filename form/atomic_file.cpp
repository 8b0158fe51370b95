#include "form/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace zorva {
namespace {

constexpr const char* kStandardOutput = "-";

// As many links in a row as the system itself follows before it gives up.
constexpr int kMaxLinks = 40;

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

// Repeats a call that a signal cut short before it did anything.
template <typename Call>
auto Retried(const Call& call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) {
            return result;
        }
    }
}

// Where a write to path lands: the end of its chain of links, which need not
// exist (a dangling link leads to the file a write creates). Empty, with the
// reason in error, when the chain cannot be followed.
std::string FollowLinks(std::string path, int& error) {
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return path;
        }
        if (links == kMaxLinks) {
            error = ELOOP;
            return {};
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            error = errno;
            return {};
        }
        if (length == 0 || static_cast<std::size_t>(length) == target.size()) {
            error = length == 0 ? ENOENT : ENAMETOOLONG;
            return {};
        }
        target.resize(static_cast<std::size_t>(length));
        // A relative link is read from the folder the link is in.
        if (target.front() != '/') {
            target.insert(0, Folder(path) + "/");
        }
        path = std::move(target);
    }
}

// A name for a file that need not exist yet: its folder made absolute, so
// that "a.csv" and "./a.csv" compare equal.
std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(Folder(path).c_str(), resolved) != nullptr) {
        return std::string(resolved) + "/" + BaseName(path);
    }
    return path;
}

// The file behind a name, if there is one. Standard output counts only when
// it is a regular file: a terminal or a pipe is never replaced.
bool Existing(const std::string& path, struct stat& status) {
    if (path == kStandardOutput) {
        return fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode);
    }
    return stat(path.c_str(), &status) == 0;
}

// The names of the temporaries on the disk right now, for the handler that
// removes them when SIGINT, SIGTERM or SIGHUP ends the program. A signal
// handler is handed nothing but the signal's number, so this record is the
// one piece of state the whole process shares. It is a fixed array, so that
// the handler neither allocates nor locks: a slot's name is published by its
// atomic state once complete, and claimed by the handler before it is read.
enum Slot : int { kFree, kWriting, kReady, kRemoving };

struct RememberedName {
    std::atomic<int> state{kFree};
    char name[PATH_MAX] = {};
};

static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may use lock-free atomics only");

// A run writes two files at most; the window saves one at a time.
constexpr int kTemporaries = 8;
RememberedName temporaries[kTemporaries];

// Only calls that are safe in a signal handler: unlink and raise.
void RemoveTemporaries(int signal) {
    const int saved = errno;
    for (RememberedName& slot : temporaries) {
        int ready = kReady;
        if (slot.state.compare_exchange_strong(ready, kRemoving)) {
            unlink(slot.name);
        }
    }
    errno = saved;
    // SA_RESETHAND has put back the default action, so the program ends as
    // the signal meant it to, with the status that says so.
    raise(signal);
}

void CatchEndingSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        // A signal the program was told to ignore (nohup), or that someone
        // else handles, is left as it is.
        if (sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporaries;
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGINT);
        sigaddset(&action.sa_mask, SIGTERM);
        sigaddset(&action.sa_mask, SIGHUP);
        action.sa_flags = SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
}

// Records name before the file exists, so that no moment is left in which a
// signal would find the file but not its name. Returns the slot, or -1 when
// every slot is taken: the temporary is then still removed on every way out
// but a signal.
int Remember(const std::string& name) {
    if (name.size() >= PATH_MAX) {
        return -1;
    }
    CatchEndingSignals();
    for (int i = 0; i < kTemporaries; ++i) {
        int expected = kFree;
        if (temporaries[i].state.compare_exchange_strong(expected, kWriting)) {
            std::memcpy(temporaries[i].name, name.c_str(), name.size() + 1);
            temporaries[i].state.store(kReady);
            return i;
        }
    }
    return -1;
}

// Once the name is gone from the disk. A slot the handler has claimed stays
// claimed: the program is ending.
void Forget(int slot) {
    if (slot >= 0) {
        int ready = kReady;
        temporaries[slot].state.compare_exchange_strong(ready, kFree);
    }
}

std::string TemporaryPath(const std::string& stem, int attempt) {
    return stem + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
}

// A name is tried after another until one is free; this many taken means
// something other than chance is at work.
constexpr int kAttempts = 100;

// Whether sync of a folder failed only because the file system has no such
// thing to do.
bool CannotSyncFolders(int error) {
    return error == EINVAL || error == EOPNOTSUPP || error == ENOTSUP;
}

}  // namespace

int FileSystem::Open(const char* path, int flags, mode_t mode) const {
    return open(path, flags, mode);
}

ssize_t FileSystem::Write(int fd, const void* bytes, std::size_t count) const {
    return write(fd, bytes, count);
}

int FileSystem::FileStatus(int fd, struct stat* status) const {
    return fstat(fd, status);
}

int FileSystem::Sync(int fd) const {
    return fsync(fd);
}

int FileSystem::Close(int fd) const {
    return close(fd);
}

int FileSystem::LinkAt(int fromFolder, const char* from, int toFolder, const char* to,
                       int flags) const {
    return linkat(fromFolder, from, toFolder, to, flags);
}

int FileSystem::Rename(const char* from, const char* to) const {
    return rename(from, to);
}

int FileSystem::Unlink(const char* path) const {
    return unlink(path);
}

const FileSystem& SystemFiles() {
    static const FileSystem files;
    return files;
}

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
        case ELOOP:
            return "its links go round in a circle or too far";
        case EXDEV:
            return "the file is mounted from another disk";
        case EBUSY:
            return "the file is in use by the system";
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
    int error = 0;
    const std::string first = a == kStandardOutput ? a : FollowLinks(a, error);
    const std::string second = b == kStandardOutput ? b : FollowLinks(b, error);
    // A chain of links that cannot be followed leads to no file at all.
    if (first.empty() || second.empty()) {
        return false;
    }
    struct stat one {};
    struct stat two {};
    const bool firstExists = Existing(first, one);
    const bool secondExists = Existing(second, two);
    if (firstExists || secondExists) {
        return firstExists && secondExists && one.st_dev == two.st_dev && one.st_ino == two.st_ino;
    }
    return first != kStandardOutput && second != kStandardOutput &&
           Canonical(first) == Canonical(second);
}

OutputFile::OutputFile(std::string path, const FileSystem& files)
    : files_(files), name_(path), path_(std::move(path)) {
    if (path_ == kStandardOutput) {
        fd_ = STDOUT_FILENO;
        direct_ = true;
        return;
    }
    // A link is kept, and the file it leads to replaced, or made if missing.
    int error = 0;
    std::string target = FollowLinks(path_, error);
    if (target.empty()) {
        fail(error);
        return;
    }
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        fail(EISDIR);
        return;
    }
    // Replacing a FIFO or a device with a regular file would break whatever
    // reads from it, or the system's own /dev/null.
    if (exists && !S_ISREG(existing.st_mode)) {
        direct_ = true;
        fd_ = Retried(
            [&] { return files_.Open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY, 0); });
        if (fd_ < 0) {
            fail(errno);
        }
        return;
    }
    path_ = std::move(target);
    const std::string folder = Folder(path_);
    stem_ = folder + "/." + BaseName(path_) + ".";
    // Opened now, so that a folder that cannot be opened fails the save while
    // the old file is still in place. One that may be written to but not read
    // cannot be synced: its rename is left to the file system's own schedule.
    folder_ =
        Retried([&] { return files_.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
    if (folder_ < 0 && errno != EACCES) {
        fail(errno);
        return;
    }
    OpenTemporary(folder);
    // A replaced file keeps who may read it.
    if (ok() && exists) {
        fchmod(fd_, existing.st_mode & 07777);
    }
}

void OutputFile::OpenTemporary(const std::string& folder) {
#if defined(__linux__) && defined(O_TMPFILE)
    // An unnamed file goes with the process, however it ends, even by
    // SIGKILL or a crash; it gets a name only when complete, just before the
    // rename. A file system that cannot make one, or a process that could
    // not name it later, uses a named temporary instead.
    fd_ = Retried(
        [&] { return files_.Open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
    if (fd_ >= 0) {
        // linkat never replaces a name, so linking to the folder's own name
        // fails with EEXIST exactly when the file could be linked anywhere
        // else: the one check that links nothing. Through /proc any process
        // can; by the descriptor alone (AT_EMPTY_PATH), only a privileged one.
        const auto taken = [](int linked) { return linked != 0 && errno == EEXIST; };
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (taken(files_.LinkAt(AT_FDCWD, self.c_str(), AT_FDCWD, folder.c_str(),
                                AT_SYMLINK_FOLLOW))) {
            link_ = Link::ThroughProc;
            return;
        }
#ifdef AT_EMPTY_PATH
        if (taken(files_.LinkAt(fd_, "", AT_FDCWD, folder.c_str(), AT_EMPTY_PATH))) {
            link_ = Link::ByDescriptor;
            return;
        }
#endif
        files_.Close(fd_);
        fd_ = -1;
    }
#else
    (void)folder;
#endif
    // O_EXCL never takes over a file that someone else made under the same
    // name; the mode 0666 is cut by the umask as for any new file.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = TemporaryPath(stem_, attempt);
        remembered_ = Remember(temporary_);
        fd_ = Retried([&] {
            return files_.Open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        });
        if (fd_ >= 0) {
            return;
        }
        const int reason = errno;
        Forget(remembered_);
        remembered_ = -1;
        temporary_.clear();
        if (reason != EEXIST) {
            fail(reason);
            return;
        }
    }
    fail(EEXIST);
}

bool OutputFile::NameTemporary() {
#if defined(__linux__) && defined(O_TMPFILE)
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = TemporaryPath(stem_, attempt);
        remembered_ = Remember(temporary_);
        const int linked = Retried([&] {
#ifdef AT_EMPTY_PATH
            if (link_ == Link::ByDescriptor) {
                return files_.LinkAt(fd_, "", AT_FDCWD, temporary_.c_str(), AT_EMPTY_PATH);
            }
#endif
            return files_.LinkAt(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(),
                                 AT_SYMLINK_FOLLOW);
        });
        if (linked == 0) {
            return CloseFile();
        }
        // A name already taken, by another program or by a temporary a
        // killed run left, is never replaced: the next one is tried.
        const int reason = errno;
        Forget(remembered_);
        remembered_ = -1;
        temporary_.clear();
        if (reason != EEXIST) {
            fail(reason);
            return false;
        }
    }
    fail(EEXIST);
#else
    fail(ENOSYS);
#endif
    return false;
}

bool OutputFile::CloseFile() {
    const int fd = fd_;
    fd_ = -1;
    // On this system a close cut short by a signal has closed the file all
    // the same, and must not be repeated.
    if (files_.Close(fd) != 0 && errno != EINTR) {
        fail(errno);
    }
    return ok();
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::Write(std::string_view bytes) {
    while (ok() && !bytes.empty()) {
        const ssize_t n = Retried([&] { return files_.Write(fd_, bytes.data(), bytes.size()); });
        if (n < 0) {
            fail(errno);
        } else if (n == 0) {
            fail(EIO);
        } else {
            // A short write is carried on from where it stopped.
            written_ += static_cast<std::uint64_t>(n);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
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
        if (fd_ != STDOUT_FILENO) {
            return CloseFile();
        }
        fd_ = -1;
        return true;
    }
    // The file holds every byte the writes took.
    struct stat status {};
    if (Retried([&] { return files_.FileStatus(fd_, &status); }) != 0) {
        fail(errno);
        return false;
    }
    if (static_cast<std::uint64_t>(status.st_size) != written_) {
        fail(EIO);
        return false;
    }
    // A full disk may only show here, once the file system has to place the
    // data; before the rename so that the old file is kept if it does.
    if (Retried([&] { return files_.Sync(fd_); }) != 0) {
        fail(errno);
        return false;
    }
    // An unnamed temporary would vanish if closed: it stays open until
    // Commit names it.
    return link_ != Link::Named || CloseFile();
}

bool OutputFile::Commit() {
    if (!Finish() || committed_) {
        return ok();
    }
    if (direct_) {
        committed_ = true;
        return true;
    }
    if (link_ != Link::Named && !NameTemporary()) {
        return false;
    }
    if (Retried([&] { return files_.Rename(temporary_.c_str(), path_.c_str()); }) != 0) {
        fail(errno);
        return false;
    }
    committed_ = true;
    temporary_.clear();
    Forget(remembered_);
    remembered_ = -1;
    // The rename is kept on the disk only once the folder is. The new file
    // is in place by now, so a failure here cannot bring the old one back;
    // it is still reported, for the new one may not outlast a power cut.
    if (folder_ >= 0) {
        const int folder = folder_;
        folder_ = -1;
        const int synced = Retried([&] { return files_.Sync(folder); }) == 0 ? 0 : errno;
        // A folder opened for reading has nothing to lose when closed.
        files_.Close(folder);
        if (synced != 0 && !CannotSyncFolders(synced)) {
            fail(synced);
        }
    }
    return ok();
}

std::string OutputFile::error() const {
    if (ok()) {
        return {};
    }
    if (committed_) {
        return "Saved " + name_ + ", but it may not outlast a power cut: " + reason() + ".";
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
    // An unnamed temporary goes with its descriptor.
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) {
        files_.Close(fd_);
    }
    fd_ = -1;
    if (!temporary_.empty()) {
        Retried([&] { return files_.Unlink(temporary_.c_str()); });
        temporary_.clear();
    }
    Forget(remembered_);
    remembered_ = -1;
    if (folder_ >= 0) {
        files_.Close(folder_);
        folder_ = -1;
    }
}

std::string SaveBytes(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
    return file.error();
}

}  // namespace zorva
