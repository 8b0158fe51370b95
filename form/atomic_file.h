// Writing a file whole or not at all. A regular file is written to a
// temporary beside it, flushed to the disk and only then renamed over the
// old one; standard output, a FIFO or a device is written to directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorva {

/// An operating-system error number in words for the user, such as "the disk
/// is full" or "permission denied". Never throws.
std::string ReasonInWords(int error);

/// Whether two output names lead to the same file, existing or not ("-" is
/// standard output). Never throws.
bool SameOutput(const std::string& a, const std::string& b);

class OutputFile {
  public:
    /// Opens path (bytes as given, "-" for standard output) for writing: a
    /// temporary is made beside a regular or new file, anything else is
    /// opened as it is. Never throws: ok() and error() say how it went.
    explicit OutputFile(std::string path);
    /// Removes the temporary unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// False once anything has failed; then the target is left as it was.
    bool ok() const { return error_ == 0; }
    /// Appends bytes, each write checked; does nothing after a failure.
    /// Returns ok().
    bool Write(std::string_view bytes);
    /// Flushes everything to the disk and closes the file, but puts nothing
    /// in place yet. Returns ok(); on failure the temporary is gone.
    bool Finish();
    /// Finishes if not yet done, then renames the temporary over the target
    /// and checks the target holds every byte written. Returns ok().
    bool Commit();
    /// "Could not save PATH: REASON." once something failed, else empty.
    std::string error() const;
    /// The reason alone, in words (see ReasonInWords); empty while ok().
    std::string reason() const;
    /// Bytes written so far.
    std::uint64_t size() const { return written_; }

  private:
    void fail(int error);
    void discard();

    /// The name as given, for messages.
    std::string name_;
    /// The file the temporary replaces (a link's own target), or the target.
    std::string path_;
    /// Where the bytes go: the temporary, or the target itself when direct_.
    std::string temporary_;
    int fd_ = -1;
    bool direct_ = false;
    bool finished_ = false;
    bool committed_ = false;
    int error_ = 0;
    std::uint64_t written_ = 0;
};

/// Writes bytes to path through an OutputFile; returns "" on success, else
/// the OutputFile's error().
std::string SaveBytes(const std::string& path, std::string_view bytes);

}  // namespace zorva
