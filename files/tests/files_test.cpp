// The one writer's rules and the faults it must survive, a row each: ReplaceFile and FileLock
// called directly, or the writer as a program (files/testing/replace_tool.cpp) under strace, which
// fails or slows one system call or shows their order, under a signal, or under a size limit.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "files/file_lock.h"
#include "files/whole_file.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using Kind = FileResult::Kind;

const std::string kOld(300, 'o');
const std::string kNew = "new\n";
const std::string kLonger(1000, 'n');  // what the tool writes for "@1000"

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The standard output of a shell command.
std::string Shell(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    for (int c = 0; (c = std::fgetc(pipe)) != EOF;) text += static_cast<char>(c);
    ::pclose(pipe);
  }
  return text;
}

// A folder "f" holding "file" (kOld), beside what the tool leaves ("result", "trace").
struct Scene {
  fs::path root;
  fs::path dir;
  std::string file;
  std::string In(const std::string& name) const { return (dir / name).string(); }
};

FileResult Direct(const std::string& path, ReplaceOptions options = {}) {
  return ReplaceFile(path, Bytes(kNew), options);
}

ReplaceOptions With(std::function<FileResult()> check,
                    Descriptors descriptors = Descriptors::Replace) {
  ReplaceOptions options;
  options.check = std::move(check);
  options.descriptors = descriptors;
  return options;
}

// The tool on "file" with `arguments`, `prefix` before it in the shell (strace, a limit); what
// it printed. A tool ended by a signal prints nothing: then a WriteFailed "ended by a signal".
FileResult Tool(const Scene& s, const std::string& prefix, const std::string& arguments) {
  const std::string out = (s.root / "result").string();
  std::system(("cd '" + s.root.string() + "' && " + prefix + " '" REPLACE_TOOL "' '" + s.file +
               "' " + arguments + " >'" + out + "' 2>>trace.err")
                  .c_str());
  std::istringstream printed(Read(out));
  int kind = -1;
  FileResult r = FileResult::Failure(Kind::WriteFailed, s.file, "ended by a signal");
  if (printed >> kind) {
    r.kind = static_cast<Kind>(kind);
    printed.get();
    std::getline(printed, r.reason);
  }
  return r;
}

// strace before the tool: `what` the calls to trace and `inject` the fault, written to "trace".
std::string Strace(const std::string& options) {
  return "strace -f -qq -o trace -e signal=none " + options;
}

// The traced calls in order: write, fsync and rename as "write", "fsync" (of the written file) or
// "fsync-folder", "rename"; the check's word on the error stream as "check".
std::string CallOrder(const fs::path& trace) {
  std::istringstream lines(Read(trace));
  std::string order;
  std::string fileFd;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t name = line.find_first_not_of("0123456789 ");
    const std::size_t open = line.find('(', name);
    if (name == std::string::npos || open == std::string::npos) continue;
    const std::string call = line.substr(name, open - name);
    const std::string fd = line.substr(open + 1, line.find_first_of(",)", open) - open - 1);
    std::string word = call.starts_with("rename") ? "rename" : call;
    if (call == "write" && fd == "2") word = "check";
    if (call == "write" && fd != "2" && fileFd.empty()) fileFd = fd;
    if (call == "fsync" && fd != fileFd) word = "fsync-folder";
    if (call == "write" && fd == "1") continue;  // the tool's report
    order += (order.empty() ? "" : " ") + word;
  }
  return order;
}

// Runs `step` in a child as a user who owns nothing here; the kind it returned.
FileResult AsAnotherUser(const std::function<FileResult()>& step) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65533) != 0 || ::setuid(65533) != 0) _exit(99);
    _exit(static_cast<int>(step().kind));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  FileResult r;
  r.kind = static_cast<Kind>(WIFEXITED(status) ? WEXITSTATUS(status) : 99);
  return r;
}

enum class Inode { Kept, New };
struct Row {
  const char* what;
  const char* prepare;  // a shell command in the folder, once "file" holds kOld
  std::function<FileResult(const Scene&)> run;
  Kind kind;
  std::string after;  // what "file" then holds
  Inode inode;
  bool needsRoot = false;
  bool needsStrace = false;
};

TEST(ReplaceFile, EachRuleAndEachFault) {
  const bool root = ::geteuid() == 0;
  const bool strace = std::system("strace -V >/dev/null 2>&1") == 0;
  const auto changed = [] { return FileResult::Failure(Kind::Changed, "", ""); };
  const Row rows[] = {
      {"a plain file is replaced by a new one", "", [](const Scene& s) { return Direct(s.file); },
       Kind::Ok, kNew, Inode::New},
      {"a file with a second name is written in place, both names see it", "ln file second",
       [](const Scene& s) {
         const FileResult r = Direct(s.file);
         EXPECT_EQ(Read(s.In("second")), kNew);
         return r;
       },
       Kind::Ok, kNew, Inode::Kept},
      {"a chain of links: the file replaced, the links kept", "ln -s file l2 && ln -s l2 l1",
       [](const Scene& s) {
         const FileResult r = Direct(s.In("l1"));
         EXPECT_TRUE(fs::is_symlink(s.In("l1")) && fs::is_symlink(s.In("l2")));
         return r;
       },
       Kind::Ok, kNew, Inode::New},
      {"a dangling link: its target is made", "rm file && ln -s file link",
       [](const Scene& s) { return Direct(s.In("link")); }, Kind::Ok, kNew, Inode::New},
      {"a read-only file is refused, even for root", "chmod 444 file",
       [](const Scene& s) { return Direct(s.file); }, Kind::WriteFailed, kOld, Inode::Kept},
      {"another user's file that lets us write: in place, the owner kept",
       "chown 65534:65534 file && chmod 666 file && chmod 1777 .",
       [](const Scene& s) { return AsAnotherUser([&] { return Direct(s.file); }); }, Kind::Ok, kNew,
       Inode::Kept, true},
      {"a file with an ACL keeps it", "setfacl -m u:nobody:rw,g:nogroup:r file",
       [](const Scene& s) { return Direct(s.file); }, Kind::Ok, kNew, Inode::New},
      {"a file without an ACL gets none from the folder's default ACL",
       "setfacl -d -m u:nobody:rw .", [](const Scene& s) { return Direct(s.file); }, Kind::Ok, kNew,
       Inode::New},
      {"SameBytes::Keep leaves a file that holds the bytes", "printf 'new\\n' >file",
       [](const Scene& s) {
         ReplaceOptions keep;
         keep.same = SameBytes::Keep;
         return Direct(s.file, keep);
       },
       Kind::Ok, kNew, Inode::Kept},
      {"a check that finds a change writes nothing", "",
       [&](const Scene& s) { return Direct(s.file, With(changed)); }, Kind::Changed, kOld,
       Inode::Kept},
      {"in place, the check comes before the first byte", "ln file second",
       [&](const Scene& s) { return Direct(s.file, With(changed)); }, Kind::Changed, kOld,
       Inode::Kept},
      {"an image named by its descriptor at an offset is replaced whole", "",
       [](const Scene& s) {
         const int fd = ::open(s.file.c_str(), O_RDWR);
         ::lseek(fd, 100, SEEK_SET);
         const FileResult r = Direct("/dev/fd/" + std::to_string(fd));
         ::close(fd);
         return r;
       },
       Kind::Ok, kNew, Inode::New},
      {"a read-only image named by a descriptor open for writing is refused", "chmod 444 file",
       [](const Scene& s) {
         const int fd = ::open(s.file.c_str(), O_RDWR);
         const FileResult r = Direct("/proc/self/fd/" + std::to_string(fd));
         ::close(fd);
         return r;
       },
       Kind::WriteFailed, kOld, Inode::Kept, true},
      {"a stream named by its descriptor is written through it", "",
       [](const Scene& s) {
         const int fd = ::open(s.file.c_str(), O_WRONLY | O_APPEND);
         const FileResult r =
             Direct("/dev/fd/" + std::to_string(fd), With({}, Descriptors::WriteThrough));
         ::close(fd);
         return r;
       },
       Kind::Ok, kOld + kNew, Inode::Kept},
      {"a link to /proc/thread-self/fd/N, a pipe, is written through it", "",
       [](const Scene& s) {
         int ends[2];
         EXPECT_EQ(::pipe(ends), 0);
         fs::create_symlink("/proc/thread-self/fd/" + std::to_string(ends[1]), s.In("out"));
         const FileResult r = Direct(s.In("out"), With({}, Descriptors::WriteThrough));
         ::close(ends[1]);
         char got[16] = {};
         EXPECT_EQ(::read(ends[0], got, sizeof got), static_cast<ssize_t>(kNew.size()));
         EXPECT_EQ(got, kNew);
         ::close(ends[0]);
         return r;
       },
       Kind::Ok, kOld, Inode::Kept},
      {"a path near PATH_MAX that can be read can be saved", "",
       [](const Scene& s) {
         fs::path deep = s.dir;
         while (deep.string().size() < PATH_MAX - 250) deep /= std::string(200, 'd');
         fs::create_directories(deep);
         const std::string path = (deep / std::string(PATH_MAX - 2 - deep.string().size(), 'f'));
         const FileResult r = Direct(path);
         EXPECT_EQ(Read(path), kNew);
         return r;
       },
       Kind::Ok, kOld, Inode::Kept},
      {"FileLock: a lock held past the wait fails", "",
       [](const Scene& s) {
         const int holder = ::open(s.file.c_str(), O_RDONLY);
         ::flock(holder, LOCK_EX);
         const FileLock lock = FileLock::Take(s.file, std::chrono::milliseconds{20});
         ::close(holder);
         EXPECT_FALSE(lock.held());
         EXPECT_EQ(lock.result().reason, "another writer holds it (waited 0 seconds)");
         return lock.result();
       },
       Kind::WriteFailed, kOld, Inode::Kept},
      {"FileLock: a missing file takes no lock and is no failure", "rm file",
       [](const Scene& s) {
         const FileLock lock = FileLock::Take(s.file);
         EXPECT_FALSE(lock.held());
         return lock.result();
       },
       Kind::Ok, "", Inode::Kept},

      // The writer as a program.
      {"the order: write, fsync, the check, rename, fsync of the folder", "",
       [](const Scene& s) {
         const FileResult r =
             Tool(s, Strace("-e trace=write,fsync,rename,renameat,renameat2"), "new --check");
         EXPECT_EQ(CallOrder(s.root / "trace"), "write fsync check rename fsync-folder");
         return r;
       },
       Kind::Ok, "new", Inode::New, false, true},
      {"the temporary file's fsync fails", "",
       [](const Scene& s) { return Tool(s, Strace("-e inject=fsync:error=EIO:when=1"), "new"); },
       Kind::WriteFailed, kOld, Inode::Kept, false, true},
      {"in place, no room for the first byte: the file keeps its size", "ln file second",
       [](const Scene& s) {
         return Tool(s, Strace("-e inject=write:error=ENOSPC:when=1"), "@1000");
       },
       Kind::WriteFailed, kOld, Inode::Kept, false, true},
      {"in place, a failure after the bytes: the file may hold them", "ln file second",
       [](const Scene& s) { return Tool(s, Strace("-e inject=fsync:error=EIO:when=1"), "@1000"); },
       Kind::WriteTorn, kLonger, Inode::Kept, false, true},
      {"the access ACL cannot be carried: nothing written",
       "setfacl -m u:nobody:rw,g:nogroup:r file",
       [](const Scene& s) { return Tool(s, Strace("-e inject=fsetxattr:error=EPERM"), "new"); },
       Kind::WriteFailed, kOld, Inode::Kept, false, true},
      {"an I/O error rereading for the check is a failed read, not a change", "",
       [](const Scene& s) {
         return Tool(s, Strace("-P " + s.file + " -e inject=read:error=EIO:when=3"), "new --check");
       },
       Kind::ReadFailed, kOld, Inode::Kept, false, true},
      {"SIGTERM once the temporary file has a name: it goes too", "",
       [](const Scene& s) {
         // Held for a second once named; the signal goes to the tool, strace's child.
         const std::string run =
             Strace("-e inject=linkat:delay_exit=1000000") + " '" + REPLACE_TOOL "' '" + s.file +
             "' new >/dev/null 2>&1 & t=$!; " + "until ls -A '" + s.dir.string() +
             "' | grep -q vorlane-save; do sleep 0.01; done; " + "kill -TERM $(pgrep -P $t); wait";
         std::system(("cd '" + s.root.string() + "' && (" + run + ")").c_str());
         return FileResult::Failure(Kind::WriteFailed, s.file, "ended by a signal");
       },
       Kind::WriteFailed, kOld, Inode::Kept, false, true},
      {"a file-size limit fails the write (File too large)", "",
       [](const Scene& s) {
         const FileResult r = Tool(s, "ulimit -f 1 &&", "@4096");
         EXPECT_EQ(r.reason, "File too large");
         return r;
       },
       Kind::WriteFailed, kOld, Inode::Kept},
  };
  for (const Row& row : rows) {
    if ((row.needsRoot && !root) || (row.needsStrace && !strace)) {
      std::printf("skipped: %s\n", row.what);
      continue;
    }
    char made[] = "/tmp/vorlane-files-XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    ::chmod(made, 0755);  // for the row run as another user
    const Scene s{made, fs::path(made) / "f", (fs::path(made) / "f" / "file").string()};
    fs::create_directory(s.dir);
    std::ofstream(s.file, std::ios::binary) << kOld;
    ASSERT_EQ(std::system(
                  ("cd '" + s.dir.string() + "' && " + (*row.prepare ? row.prepare : ":")).c_str()),
              0)
        << row.what;
    const auto facl = [&] { return Shell("getfacl -cp '" + s.file + "' 2>/dev/null"); };
    const std::string acl = facl();
    struct stat before {};
    ::stat(s.file.c_str(), &before);

    const FileResult r = row.run(s);
    EXPECT_EQ(r.kind, row.kind) << row.what << ": " << r.reason << Read(s.root / "trace.err");
    EXPECT_EQ(Read(s.file), row.after) << row.what;
    struct stat after {};
    ::stat(s.file.c_str(), &after);
    EXPECT_EQ(after.st_ino == before.st_ino, row.inode == Inode::Kept) << row.what;
    EXPECT_EQ(after.st_uid, before.st_uid) << row.what;
    if (before.st_ino != 0) {
      EXPECT_EQ(facl(), acl) << row.what;  // the mode and ACL entries, or none
    }
    for (const auto& entry : fs::directory_iterator(s.dir)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(".vorlane-save"))
          << row.what << ": left " << entry.path();
    }
    fs::remove_all(s.root);
  }
}

}  // namespace
}  // namespace vorlane
