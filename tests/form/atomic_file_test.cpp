#include "form/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace zorva {
namespace {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it.
class Scratch {
  public:
    Scratch() {
        std::string pattern = testing::TempDir() + "zorva-saves-XXXXXX";
        path_ = mkdtemp(pattern.data());
    }
    ~Scratch() { fs::remove_all(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string path_;
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Descriptors the process holds, or -1 where /proc cannot tell.
long OpenDescriptors() {
    std::error_code error;
    auto entries = fs::directory_iterator("/proc/self/fd", error);
    return error ? -1 : std::distance(entries, fs::directory_iterator());
}

// The calls a save makes, told apart as far as their failures differ.
enum class Call {
    OpenFolder,
    OpenUnnamed,
    OpenNamed,
    Probe,  // a link to the folder's own name, which must fail: can the file be linked?
    Write,
    FileStatus,
    Sync,
    SyncFolder,
    Close,
    CloseFolder,
    Link,
    Rename,
    Unlink,
};

// Answers that are not errors but must be handled: a write that takes half
// of what it is given, and a file whose size is not what was written.
constexpr int kShortWrite = -1;
constexpr int kWrongSize = -2;

struct Fault {
    std::size_t at;  // the call's place among all the save's calls, from 0
    int error;       // errno, or kShortWrite
};

enum class Route { ThroughProc, ByDescriptor, Named };

// The real calls, the route forced, and the faults made on the way.
bool Applies(int error, Call call) {
    return error == kShortWrite ? call == Call::Write
                                : error != kWrongSize || call == Call::FileStatus;
}

class FaultyFiles : public FileSystem {
  public:
    explicit FaultyFiles(Route route, std::vector<Fault> faults = {})
        : route_(route), faults_(std::move(faults)) {}

    int Open(const char* path, int flags, mode_t mode) const override {
        const Call call = (flags & O_TMPFILE) == O_TMPFILE ? Call::OpenUnnamed
                          : (flags & O_DIRECTORY) != 0     ? Call::OpenFolder
                                                           : Call::OpenNamed;
        if (call == Call::OpenUnnamed && route_ == Route::Named) {
            errno = EOPNOTSUPP;
            return -1;
        }
        if (Fails(call)) {
            return -1;
        }
        const int fd = FileSystem::Open(path, flags, mode);
        if (call == Call::OpenFolder) {
            folders_.insert(fd);
        }
        return fd;
    }
    ssize_t Write(int fd, const void* bytes, std::size_t count) const override {
        if (Fails(Call::Write)) {
            return injected_ == kShortWrite ? FileSystem::Write(fd, bytes, (count + 1) / 2) : -1;
        }
        return FileSystem::Write(fd, bytes, count);
    }
    int FileStatus(int fd, struct stat* status) const override {
        const bool fails = Fails(Call::FileStatus);
        if (fails && injected_ != kWrongSize) {
            return -1;
        }
        const int result = FileSystem::FileStatus(fd, status);
        status->st_size += fails ? 1 : 0;
        return result;
    }
    int Sync(int fd) const override {
        return Fails(folders_.count(fd) != 0 ? Call::SyncFolder : Call::Sync)
                   ? -1
                   : FileSystem::Sync(fd);
    }
    // The descriptor is released even when close reports an error.
    int Close(int fd) const override {
        const bool folder = folders_.erase(fd) != 0;
        const int closed = FileSystem::Close(fd);
        return Fails(folder ? Call::CloseFolder : Call::Close) ? -1 : closed;
    }
    int LinkAt(int fromFolder, const char* from, int toFolder, const char* to,
               int flags) const override {
        const bool probe = std::string(to).find(".tmp") == std::string::npos;
        if (probe && route_ == Route::ByDescriptor && (flags & AT_EMPTY_PATH) == 0) {
            errno = ENOENT;  // as without /proc
            return -1;
        }
        if (Fails(probe ? Call::Probe : Call::Link)) {
            return -1;
        }
        linkedByDescriptor = linkedByDescriptor || (!probe && (flags & AT_EMPTY_PATH) != 0);
        return FileSystem::LinkAt(fromFolder, from, toFolder, to, flags);
    }
    int Rename(const char* from, const char* to) const override {
        return Fails(Call::Rename) ? -1 : FileSystem::Rename(from, to);
    }
    int Unlink(const char* path) const override {
        return Fails(Call::Unlink) ? -1 : FileSystem::Unlink(path);
    }

    mutable std::vector<Call> calls;
    mutable bool linkedByDescriptor = false;

  private:
    bool Fails(Call call) const {
        calls.push_back(call);
        for (const Fault& fault : faults_) {
            if (fault.at + 1 == calls.size() && Applies(fault.error, call)) {
                injected_ = fault.error;
                errno = fault.error < 0 ? 0 : fault.error;
                return true;
            }
        }
        return false;
    }

    Route route_;
    std::vector<Fault> faults_;
    mutable std::set<int> folders_;
    mutable int injected_ = 0;
};

const std::string kOld = "old\n";
const std::string kNew = std::string(5000, 'n') + std::string(5000, 'w');

struct Result {
    bool ok;
    bool replaced;
    std::string reason;
    std::string error;
};

// A save in two writes, as the program's saves are made in pieces.
Result Save(const std::string& path, const FileSystem& files) {
    OutputFile file(path, files);
    file.Write(std::string_view(kNew).substr(0, 5000));
    file.Write(std::string_view(kNew).substr(5000));
    file.Commit();
    return {file.ok(), file.replaced(), file.reason(), file.error()};
}

// Which of the two files is at path, in words a failure can print.
std::string Holds(const std::string& path) {
    const std::string text = Read(path);
    return text == kOld ? "the old file" : text == kNew ? "the new file" : "neither";
}

enum class Outcome { Saved, Kept, ReplacedUnsure };

// What one failure must lead to.
Outcome Expected(Call call, int error) {
    // Retried, or carried on from where it stopped.
    if (error == EINTR || error == kShortWrite) {
        return Outcome::Saved;
    }
    switch (call) {
        case Call::OpenUnnamed:  // a named temporary instead
        case Call::Probe:        // the other way of naming, or a named temporary
        case Call::CloseFolder:  // nothing was written through it
            return Outcome::Saved;
        case Call::OpenFolder:
            return error == EACCES ? Outcome::Saved : Outcome::Kept;  // written to, not read
        case Call::SyncFolder:
            return Outcome::ReplacedUnsure;  // after the rename
        default:
            return Outcome::Kept;
    }
}

const char* RouteName(Route route) {
    switch (route) {
        case Route::ThroughProc:
            return "ThroughProc";
        case Route::ByDescriptor:
            return "ByDescriptor";
        default:
            return "Named";
    }
}

std::string ErrorName(int error) {
    switch (error) {
        case kShortWrite:
            return "ShortWrite";
        case kWrongSize:
            return "WrongSize";
        case ENOSPC:
            return "ENOSPC";
        case EIO:
            return "EIO";
        case EACCES:
            return "EACCES";
        case EXDEV:
            return "EXDEV";
        case EINTR:
            return "EINTR";
        default:
            return std::to_string(error);
    }
}

class EveryCallFails : public testing::TestWithParam<std::tuple<Route, int>> {};

TEST_P(EveryCallFails, KeepsTheOldFileOrSavesAndLeavesNothingBehind) {
    const auto [route, error] = GetParam();
    Scratch folder;
    const std::string target = folder / "run.csv";
    Put(target, kOld);
    chmod(target.c_str(), 0640);
    FaultyFiles clean(route);
    ASSERT_TRUE(Save(target, clean).ok);
    ASSERT_EQ(Holds(target), "the new file");
    const bool linked = std::count(clean.calls.begin(), clean.calls.end(), Call::Link) == 1;
    if (route == Route::ThroughProc && !linked) {
        GTEST_SKIP() << "this file system makes no unnamed files, or /proc is missing";
    }
    if (route == Route::ByDescriptor && !clean.linkedByDescriptor) {
        GTEST_SKIP() << "this process may not link a file by its descriptor alone";
    }
    const long descriptors = OpenDescriptors();
    for (std::size_t at = 0; at < clean.calls.size(); ++at) {
        const Call call = clean.calls[at];
        if (!Applies(error, call)) {
            continue;
        }
        SCOPED_TRACE("call " + std::to_string(at) + " of " + std::to_string(clean.calls.size()));
        Put(target, kOld);
        FaultyFiles faulty(route, {{at, error}});
        const Result result = Save(target, faulty);
        const Outcome outcome = Expected(call, error);
        EXPECT_EQ(result.ok, outcome == Outcome::Saved) << result.error;
        EXPECT_EQ(result.replaced, outcome != Outcome::Kept);
        EXPECT_EQ(Holds(target), outcome == Outcome::Kept ? "the old file" : "the new file");
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"run.csv"});
        EXPECT_EQ(OpenDescriptors(), descriptors);
        if (outcome == Outcome::Saved) {
            struct stat status {};
            stat(target.c_str(), &status);
            EXPECT_EQ(status.st_mode & 0777, 0640u) << "a replaced file keeps its mode";
        } else {
            EXPECT_EQ(result.reason, ReasonInWords(error == kWrongSize ? EIO : error));
            EXPECT_NE(result.error.find(target), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, EveryCallFails,
    testing::Combine(testing::Values(Route::ThroughProc, Route::ByDescriptor, Route::Named),
                     testing::Values(ENOSPC, EIO, EACCES, EXDEV, EINTR, kShortWrite, kWrongSize)),
    [](const testing::TestParamInfo<EveryCallFails::ParamType>& info) {
        return std::string(RouteName(std::get<0>(info.param))) + "_" +
               ErrorName(std::get<1>(info.param));
    });

class Order : public testing::TestWithParam<Route> {};

// Nothing is put in place before it is on the disk, and the rename is
// recorded on the disk after.
TEST_P(Order, SyncsTheFileBeforeTheRenameAndTheFolderAfter) {
    Scratch folder;
    FaultyFiles files(GetParam());
    ASSERT_TRUE(Save(folder / "run.csv", files).ok);
    const auto at = [&](Call call) {
        return std::find(files.calls.begin(), files.calls.end(), call) - files.calls.begin();
    };
    EXPECT_LT(at(Call::Write), at(Call::Sync));
    EXPECT_LT(at(Call::Sync), at(Call::Rename));
    EXPECT_LT(at(Call::Rename), at(Call::SyncFolder));
    EXPECT_LT(at(Call::SyncFolder), static_cast<long>(files.calls.size()));
}

INSTANTIATE_TEST_SUITE_P(Routes, Order, testing::Values(Route::ThroughProc, Route::Named));

TEST(OutputFile, SaysWhyWhenNeitherTheRenameNorTheCleanUpWorks) {
    Scratch folder;
    const std::string target = folder / "run.csv";
    Put(target, kOld);
    FaultyFiles clean(Route::Named);
    Save(target, clean);
    const auto rename = std::find(clean.calls.begin(), clean.calls.end(), Call::Rename);
    ASSERT_NE(rename, clean.calls.end());
    const std::size_t at = static_cast<std::size_t>(rename - clean.calls.begin());
    Put(target, kOld);
    // The unlink that follows the failed rename fails too.
    FaultyFiles faulty(Route::Named, {{at, EXDEV}, {at + 1, EIO}});
    const Result result = Save(target, faulty);
    EXPECT_EQ(faulty.calls.at(at + 1), Call::Unlink);
    EXPECT_EQ(result.reason, ReasonInWords(EXDEV));
    EXPECT_EQ(Read(target), kOld);
}

class NameTaken : public testing::TestWithParam<Route> {};

// A temporary left by a killed run under the very name this run would use
// is neither replaced nor removed.
TEST_P(NameTaken, TheNextNameIsTried) {
    Scratch folder;
    const std::string target = folder / "run.csv";
    const std::string leftover = ".run.csv." + std::to_string(getpid()) + "-0.tmp";
    Put(target, kOld);
    Put(folder / leftover, "someone else's");
    FaultyFiles files(GetParam());
    EXPECT_TRUE(Save(target, files).ok);
    EXPECT_EQ(Holds(target), "the new file");
    EXPECT_EQ(Read(folder / leftover), "someone else's");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{leftover, "run.csv"}));
}

INSTANTIATE_TEST_SUITE_P(Routes, NameTaken, testing::Values(Route::ThroughProc, Route::Named));

class Interrupted : public testing::TestWithParam<int> {};

// Where a temporary needs a name from the start, a signal that ends the
// program removes it, and the program still ends by that signal.
TEST_P(Interrupted, LeavesTheOldFileAndNoTemporary) {
    const int signal = GetParam();
    Scratch folder;
    const std::string target = folder / "run.csv";
    Put(target, kOld);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(signal, SIG_DFL);
        const FaultyFiles files(Route::Named);
        OutputFile file(target, files);
        file.Write(kNew);
        // Only a temporary on the disk makes the test worth its name.
        if (folder.Names().size() != 2) {
            std::_Exit(3);
        }
        std::raise(signal);
        std::_Exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(Read(target), kOld);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"run.csv"});
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted, testing::Values(SIGINT, SIGTERM, SIGHUP));

struct LinkRow {
    const char* first;
    const char* second;
    bool same;
};

class SameOutputs : public testing::TestWithParam<LinkRow> {};

TEST_P(SameOutputs, FollowLinksToWhatTheyLeadTo) {
    Scratch folder;
    Put(folder / "a.csv", "a");
    fs::create_directory(folder / "sub");
    fs::create_symlink("a.csv", folder / "link");
    fs::create_symlink("link", folder / "chain");
    fs::create_symlink("../a.csv", folder / "sub/up");
    fs::create_symlink(folder / "a.csv", folder / "absolute");
    fs::create_symlink("new.csv", folder / "dangling");
    fs::create_symlink("sub/new.csv", folder / "dangling-down");
    fs::create_symlink("loop", folder / "loop");
    fs::create_hard_link(folder / "a.csv", folder / "hard");
    const LinkRow& row = GetParam();
    const auto name = [&](const char* given) {
        return std::string(given) == "-" ? std::string(given) : folder / given;
    };
    EXPECT_EQ(SameOutput(name(row.first), name(row.second)), row.same);
    EXPECT_EQ(SameOutput(name(row.second), name(row.first)), row.same);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SameOutputs,
    testing::Values(LinkRow{"a.csv", "./a.csv", true}, LinkRow{"a.csv", "sub/../a.csv", true},
                    LinkRow{"a.csv", "link", true}, LinkRow{"a.csv", "chain", true},
                    LinkRow{"a.csv", "sub/up", true}, LinkRow{"a.csv", "absolute", true},
                    LinkRow{"a.csv", "hard", true}, LinkRow{"dangling", "new.csv", true},
                    LinkRow{"dangling", "sub/../new.csv", true},
                    LinkRow{"dangling-down", "sub/new.csv", true},
                    LinkRow{"dangling", "a.csv", false},
                    LinkRow{"dangling", "dangling-down", false}, LinkRow{"a.csv", "b.csv", false},
                    LinkRow{"new.csv", "sub/new.csv", false}, LinkRow{"loop", "a.csv", false},
                    LinkRow{"-", "a.csv", false}));

struct KeptLinkRow {
    const char* link;    // what the link leads to
    const char* target;  // the file the save must write
};

class SaveThroughALink : public testing::TestWithParam<KeptLinkRow> {};

TEST_P(SaveThroughALink, WritesWhereItLeadsAndKeepsTheLink) {
    Scratch folder;
    fs::create_directory(folder / "sub");
    Put(folder / "sub/a.csv", kOld);
    fs::create_symlink(GetParam().link, folder / "link");
    EXPECT_EQ(SaveBytes(folder / "link", kNew), "");
    EXPECT_TRUE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(Holds(folder / GetParam().target), "the new file");
}

INSTANTIATE_TEST_SUITE_P(Table, SaveThroughALink,
                         testing::Values(KeptLinkRow{"sub/a.csv", "sub/a.csv"},
                                         KeptLinkRow{"sub/new.csv", "sub/new.csv"}));

TEST(OutputFile, RefusesALinkThatLeadsRoundInACircle) {
    Scratch folder;
    fs::create_symlink("loop", folder / "loop");
    OutputFile file(folder / "loop");
    EXPECT_EQ(file.reason(), ReasonInWords(ELOOP));
    EXPECT_TRUE(fs::is_symlink(folder / "loop"));
}

}  // namespace
}  // namespace zorva
