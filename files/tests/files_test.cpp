// The one writer's rules and the faults it must survive, a row each. Each row runs the writer as
// a program (files/testing/replace_tool.cpp, $T) in a shell in a folder whose "file" holds kOld:
// under strace ($S), which fails or slows one system call or shows the order of the calls, under
// a signal, a size limit, another user or a redirect, as users meet them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "files/file_result.h"

namespace vorlane {
namespace {

namespace fs = std::filesystem;
using Kind = FileResult::Kind;

const std::string kOld(300, 'o');
const std::string kLonger(1000, 'n');  // the tool's "@1000"

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The calls of a trace in order: "write", "fsync" of the written file or "fsync-folder",
// "rename", and the check's mark (getppid) as "check".
std::string CallOrder(const fs::path& trace) {
  std::istringstream lines(Read(trace));
  std::string order;
  std::string written;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t name = line.find_first_not_of("0123456789 ");
    const std::size_t open = line.find('(', name);
    if (name == std::string::npos || open == std::string::npos) continue;
    std::string call = line.substr(name, open - name);
    const std::string fd = line.substr(open + 1, line.find_first_of(",)", open) - open - 1);
    if (call == "write" && fd == "2") continue;  // the tool's report
    if (call == "write" && written.empty()) written = fd;
    if (call == "fsync" && fd != written) call = "fsync-folder";
    if (call.starts_with("rename")) call = "rename";
    if (call == "getppid") call = "check";
    order += (order.empty() ? "" : " ") + call;
  }
  return order;
}

struct Row {
  const char* what;
  const char* prepare;  // before the file's ACL and inode are taken
  const char* run;      // its status must be 0: it may check what it made
  Kind kind;
  std::string after;  // what "file" then holds
  bool inodeKept;
  const char* reason = nullptr;
  const char* order = nullptr;  // of the traced calls
  bool root = false;            // only root can set the row up
};

const Row kRows[] = {
    {"a second name: in place, both names see it", "ln file second",
     "$T file new && cmp file second", Kind::Ok, "new", true},
    {"a chain of links: the file replaced, the links kept", "ln -s file l2 && ln -s l2 l1",
     "$T l1 new && test -L l1 -a -L l2", Kind::Ok, "new", false},
    {"a read-only file is refused, even for root", "chmod 444 file", "$T file new",
     Kind::WriteFailed, kOld, true},
    {"another user's file that lets us write: in place, the owner kept",
     "chown 65534:65534 file && chmod 666 file && chmod 1777 .",
     "setpriv --reuid=65533 --regid=65533 --clear-groups $T file new", Kind::Ok, "new", true,
     nullptr, nullptr, true},
    {"a file with an ACL keeps it", "setfacl -m u:nobody:rw,g:nogroup:r file", "$T file new",
     Kind::Ok, "new", false},
    {"a file without an ACL gets none from the folder's default ACL", "setfacl -d -m u:nobody:rw .",
     "$T file new", Kind::Ok, "new", false},
    {"a check that finds a change writes nothing", "", "$T file new --changed", Kind::Changed, kOld,
     true},
    {"in place, the check comes before the first byte", "ln file second", "$T file new --changed",
     Kind::Changed, kOld, true},
    {"an image named by its descriptor at an offset is replaced whole", "",
     "{ head -c 100 >/dev/null; $T /dev/stdin new; } 0<>file", Kind::Ok, "new", false},
    {"a read-only image named by a descriptor open for writing is refused", "chmod 444 file",
     "$T /dev/fd/3 new 3<>file", Kind::WriteFailed, kOld, true, nullptr, nullptr, true},
    {"a stream named by its descriptor is written through it", "",
     "$T /proc/self/fd/3 new --through 3>>file", Kind::Ok, kOld + "new", true},
    {"a link to /proc/thread-self/fd/1, a pipe, is written through it",
     "ln -s /proc/thread-self/fd/1 out",
     "$T out new --through | cat >../piped && test \"$(cat ../piped)\" = new", Kind::Ok, kOld,
     true},
    {"a path near PATH_MAX that can be read can be saved", "",
     "d=$(printf %0200d 0); p=$d; while [ ${#p} -lt 3850 ]; do p=$p/$d; done; mkdir -p $p && "
     "f=$PWD/$p/$(printf %0$((4089 - ${#PWD} - ${#p} - 2))d 0) && cp file $f && $T $f new && "
     "test ${#f} = 4089 -a \"$(cat $f)\" = new",
     Kind::Ok, kOld, true},
    {"FileLock: a lock held past the wait fails", "", "flock file $T file x --lock",
     Kind::WriteFailed, kOld, true, "another writer holds it (waited 0 seconds)"},
    {"FileLock: a missing file takes no lock and is no failure", "rm file", "$T file x --lock",
     Kind::Ok, "", true},
    {"the order: write, fsync, the check, rename, fsync of the folder", "",
     "$S -e trace=write,fsync,rename,renameat,renameat2,getppid $T file new --check", Kind::Ok,
     "new", false, nullptr, "write fsync check rename fsync-folder"},
    {"the temporary file's fsync fails", "", "$S -e inject=fsync:error=EIO:when=1 $T file new",
     Kind::WriteFailed, kOld, true},
    {"in place, no room for the first byte: the file keeps its size", "ln file second",
     "$S -e inject=write:error=ENOSPC:when=1 $T file @1000", Kind::WriteFailed, kOld, true},
    {"in place, a failure after the bytes: the file may hold them", "ln file second",
     "$S -e inject=fsync:error=EIO:when=1 $T file @1000", Kind::WriteTorn, kLonger, true},
    {"the access ACL cannot be carried: nothing written", "setfacl -m u:nobody:rw,g:nogroup:r file",
     "$S -e inject=fsetxattr:error=EPERM $T file new", Kind::WriteFailed, kOld, true},
    {"an I/O error rereading for the check is a failed read, not a change", "",
     "$S -P $PWD/file -e inject=read:error=EIO:when=3 $T file new --check", Kind::ReadFailed, kOld,
     true, "Input/output error"},
    // Held a second once the temporary file has a name; the signal goes to strace's child.
    {"SIGTERM once the temporary file has a name: it goes too", "",
     "$S -e inject=linkat:delay_exit=1000000 $T file new & t=$!; "
     "until ls -A | grep -q vorlane-save; do sleep 0.01; done; kill -TERM $(pgrep -P $t); wait",
     Kind::WriteFailed, kOld, true, "ended by a signal"},
    {"a file-size limit fails the write: File too large", "", "ulimit -f 1 && $T file @4096",
     Kind::WriteFailed, kOld, true, "File too large"},
};

TEST(ReplaceFile, EachRuleAndEachFault) {
  const bool root = ::geteuid() == 0;
  const bool strace = std::system("strace -V >/dev/null 2>&1") == 0;
  for (const Row& row : kRows) {
    if ((row.root && !root) || (std::string(row.run).starts_with("$S") && !strace)) {
      std::printf("skipped: %s\n", row.what);
      continue;
    }
    char made[] = "/tmp/vorlane-files-XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    ::chmod(made, 0755);  // for the row run as another user
    const fs::path dir = fs::path(made) / "f";
    const std::string file = (dir / "file").string();
    fs::create_directory(dir);
    std::ofstream(file, std::ios::binary) << kOld;
    const std::string shell =
        "cd '" + dir.string() +
        "' && T='" REPLACE_TOOL
        // LeakSanitizer cannot run under ptrace.
        "' && S='strace -E ASAN_OPTIONS=detect_leaks=0 -f -qq -o ../trace -e signal=none' && ";
    ASSERT_EQ(std::system((shell + (*row.prepare ? row.prepare : ":")).c_str()), 0) << row.what;
    const auto acl = [&](const char* name) {  // the mode and ACL entries, or none
      // Without getfacl or ACL support the file is empty, which reads as none.
      [[maybe_unused]] const int status = std::system(
          ("getfacl -cp '" + file + "' >" + made + "/" + name + " 2>/dev/null").c_str());
      return Read(fs::path(made) / name);
    };
    const std::string aclBefore = acl("acl-before");
    struct stat before {};
    ::stat(file.c_str(), &before);

    EXPECT_EQ(std::system((shell + "(" + row.run + ") 2>../result").c_str()), 0) << row.what;
    std::istringstream printed(Read(fs::path(made) / "result"));
    int kind = static_cast<int>(Kind::WriteFailed);  // nothing printed
    std::string reason = "ended by a signal";
    for (std::string line; std::getline(printed, line);) {
      std::istringstream(line) >> kind;
      reason = line.substr(line.find(' ') + 1);
    }
    EXPECT_EQ(kind, static_cast<int>(row.kind)) << row.what << ": " << reason;
    if (row.reason != nullptr) {
      EXPECT_EQ(reason, row.reason) << row.what;
    }
    if (row.order != nullptr) {
      EXPECT_EQ(CallOrder(fs::path(made) / "trace"), row.order);
    }
    EXPECT_EQ(Read(file), row.after) << row.what;
    struct stat after {};
    ::stat(file.c_str(), &after);
    EXPECT_EQ(after.st_ino == before.st_ino, row.inodeKept) << row.what;
    EXPECT_EQ(after.st_uid, before.st_uid) << row.what;
    EXPECT_EQ(acl("acl-after"), aclBefore) << row.what;
    for (const auto& entry : fs::directory_iterator(dir)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(".vorlane-save"))
          << row.what << ": left " << entry.path();
    }
    fs::remove_all(made);
  }
}

}  // namespace
}  // namespace vorlane
