// Writing a file whole or not at all. A regular file is written to a
// temporary beside it, flushed to the disk and only then renamed over the
// old one; standard output, a FIFO or a device is written to directly.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorva {

/// The system calls a save makes, one method each, so that a test can make
/// any one of them fail. Each behaves as the call it is named after: -1 (or
/// a negative count) with errno set on failure. The base class makes the
/// real calls.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    /// open(2); mode is used with O_CREAT or O_TMPFILE.
    virtual int Open(const char* path, int flags, mode_t mode) const;
    /// write(2): may write fewer bytes than asked.
    virtual ssize_t Write(int fd, const void* bytes, std::size_t count) const;
    /// fstat(2).
    virtual int FileStatus(int fd, struct stat* status) const;
    /// fsync(2), of a file or of a folder opened for reading.
    virtual int Sync(int fd) const;
    /// close(2).
    virtual int Close(int fd) const;
    /// linkat(2): gives an unnamed file its name.
    virtual int LinkAt(int fromFolder, const char* from, int toFolder, const char* to,
                       int flags) const;
    /// rename(2).
    virtual int Rename(const char* from, const char* to) const;
    /// unlink(2).
    virtual int Unlink(const char* path) const;
};

/// The real system calls. Never throws.
const FileSystem& SystemFiles();

/// An operating-system error number in words for the user, such as "the disk
/// is full" or "permission denied". Never throws.
std::string ReasonInWords(int error);

/// Whether two output names lead to the same file, existing or not ("-" is
/// standard output): links are followed to the file they lead to, or would
/// create. Never throws.
bool SameOutput(const std::string& a, const std::string& b);

class OutputFile {
  public:
    /// Opens path (bytes as given, "-" for standard output) for writing: a
    /// temporary is made beside a regular or new file, the file a link leads
    /// to, anything else is opened as it is. files makes the system calls and
    /// must outlive this object. Never throws: ok() and error() say how it went.
    explicit OutputFile(std::string path, const FileSystem& files = SystemFiles());
    /// Removes the temporary unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// False once anything has failed; then the target is left as it was,
    /// unless replaced() says otherwise.
    bool ok() const { return error_ == 0; }
    /// Appends bytes, each write checked; does nothing after a failure.
    /// Returns ok().
    bool Write(std::string_view bytes);
    /// Flushes everything to the disk, but puts nothing in place yet.
    /// Returns ok(); on failure the temporary is gone.
    bool Finish();
    /// Finishes if not yet done, then puts the temporary in place of the
    /// target and records that on the disk. Returns ok().
    bool Commit();
    /// True once the new bytes are in place, even if recording that on the
    /// disk then failed.
    bool replaced() const { return committed_; }
    /// "Could not save PATH: REASON." once something failed, else empty; for
    /// a failure after the new file was put in place, a sentence that says so.
    std::string error() const;
    /// The reason alone, in words (see ReasonInWords); empty while ok().
    std::string reason() const;
    /// Bytes written so far.
    std::uint64_t size() const { return written_; }

  private:
    /// How the temporary gets its name: it has one from the start, or it is
    /// linked into the folder through /proc or by its descriptor.
    enum class Link { Named, ThroughProc, ByDescriptor };

    void OpenTemporary(const std::string& folder);
    bool NameTemporary();
    bool CloseFile();
    void fail(int error);
    void discard();

    const FileSystem& files_;
    /// The name as given, for messages.
    std::string name_;
    /// The file the temporary replaces (where the name's links lead), or the
    /// target.
    std::string path_;
    /// The temporary's name while it has one on the disk; empty for an
    /// unnamed temporary before Commit and for a direct target.
    std::string temporary_;
    /// The temporary's names start with this: its folder, a dot and the
    /// target's name.
    std::string stem_;
    /// The signal handler's record of temporary_, or -1.
    int remembered_ = -1;
    int fd_ = -1;
    /// The target's folder, kept open to sync the rename; -1 when it cannot
    /// be read.
    int folder_ = -1;
    bool direct_ = false;
    Link link_ = Link::Named;
    bool finished_ = false;
    bool committed_ = false;
    int error_ = 0;
    std::uint64_t written_ = 0;
};

/// Writes bytes to path through an OutputFile; returns "" on success, else
/// the OutputFile's error().
std::string SaveBytes(const std::string& path, std::string_view bytes);

}  // namespace zorva
