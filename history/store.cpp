#include "history/store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "files/whole_file.h"

namespace vorlane::history {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "vorlane history entry 1\n";
constexpr std::string_view kSuffix = ".entry";
constexpr std::size_t kTimeDigits = 20;

std::int64_t NowNs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// FNV-1a: a stable short key for a path, so the folder name stays readable and fixed.
std::uint64_t PathKey(std::string_view path) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const char c : path) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h;
}

std::string RealPath(const std::string& path) {
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    std::string resolved(real);
    std::free(real);
    return resolved;
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return (ec ? fs::path(path) : absolute).lexically_normal().string();
}

// Creates each missing folder of `folder` as 0700, and makes the last one 0700 whatever it was.
int MakePrivateFolder(const fs::path& folder) {
  fs::path made;
  for (const fs::path& part : folder) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  if ((st.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) return errno;
  return 0;
}

std::string EntryName(std::int64_t ns) {
  char name[32];
  std::snprintf(name, sizeof name, "%020lld", static_cast<long long>(ns));
  return std::string(name) + std::string(kSuffix);
}

bool IsEntryName(std::string_view name) {
  if (name.size() != kTimeDigits + kSuffix.size() || !name.ends_with(kSuffix)) return false;
  return std::all_of(name.begin(), name.begin() + kTimeDigits,
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::vector<std::uint8_t> Encode(const Entry& e) {
  const std::string head = std::string(kMagic) + "time " + std::to_string(e.timeNs) + "\nprogram " +
                           OneLine(e.program) + "\nwhat " + OneLine(e.words) + "\nbytes " +
                           std::to_string(e.bytes.size()) + "\n\n";
  std::vector<std::uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  return out;
}

// Reads "<key> <value>\n" at `at`; false when the line is not there.
bool Field(std::string_view text, std::size_t& at, std::string_view key, std::string& value) {
  const std::string prefix = std::string(key) + " ";
  if (text.substr(at, prefix.size()) != prefix) return false;
  const std::size_t end = text.find('\n', at);
  if (end == std::string_view::npos) return false;
  value.assign(text.substr(at + prefix.size(), end - at - prefix.size()));
  at = end + 1;
  return true;
}

bool Number(const std::string& text, std::int64_t& n) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  return error == std::errc() && end == text.data() + text.size() && n >= 0;
}

bool Decode(const std::vector<std::uint8_t>& file, Entry& e) {
  const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
  if (!text.starts_with(kMagic)) return false;
  std::size_t at = kMagic.size();
  std::string time;
  std::string size;
  std::int64_t length = 0;
  if (!Field(text, at, "time", time) || !Field(text, at, "program", e.program) ||
      !Field(text, at, "what", e.words) || !Field(text, at, "bytes", size) ||
      !Number(time, e.timeNs) || !Number(size, length) || text.substr(at, 1) != "\n") {
    return false;
  }
  ++at;
  if (file.size() - at != static_cast<std::uint64_t>(length)) return false;
  e.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
  return HoldsImage(e.bytes);
}

std::vector<std::string> EntryNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsEntryName(name)) names.push_back(name);
  }
  std::sort(names.rbegin(), names.rend());  // fixed-width times: newest first
  return names;
}

}  // namespace

std::string DefaultRoot() {
  const char* state = std::getenv("XDG_STATE_HOME");
  fs::path base;
  if (state != nullptr && fs::path(state).is_absolute()) {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home != nullptr ? home : "/") / ".local" / "state";
  }
  return (base / "vorlane" / "history").string();
}

std::string Store::FolderOf(const std::string& path) const {
  const std::string real = RealPath(path);
  std::string name = fs::path(real).filename().string();
  if (name.empty()) name = "image";
  // The key tells folders apart; the name is for people, and must leave room for the key.
  constexpr std::size_t kNameBytes = 64;
  if (name.size() > kNameBytes) name.resize(kNameBytes);
  char key[20];
  std::snprintf(key, sizeof key, "-%016llx", static_cast<unsigned long long>(PathKey(real)));
  return (fs::path(root_) / (name + key)).string();
}

std::string Store::Keep(const std::string& path, const ImageBytes& before,
                        const ImageChange& change) {
  const fs::path folder = FolderOf(path);
  const auto warning = [&](const std::string& reason) {
    return "the history of " + path + " could not be kept in " + folder.string() + ": " + reason;
  };
  if (const int error = MakePrivateFolder(folder); error != 0) return warning(std::strerror(error));
  Entry entry{NowNs(), change.program, change.words, before};
  // Made empty and 0600 first, so the writer keeps that mode; a name taken moves on by a tick.
  fs::path file;
  for (;; ++entry.timeNs) {
    file = folder / EntryName(entry.timeNs);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (errno != EEXIST) return warning(std::strerror(errno));
  }
  const FileResult written = ReplaceFile(file.string(), Encode(entry));
  if (!written.ok()) {
    ::unlink(file.c_str());
    return warning(written.reason);
  }
  lastKept_ = file.string();
  const std::vector<std::string> names = EntryNames(folder);
  for (std::size_t i = kKeptEntries; i < names.size(); ++i) ::unlink((folder / names[i]).c_str());
  return {};
}

void Store::Withdraw(const std::string& path) {
  if (!lastKept_.empty() && fs::path(lastKept_).parent_path() == FolderOf(path)) {
    ::unlink(lastKept_.c_str());
  }
  lastKept_.clear();
}

std::vector<Entry> Store::List(const std::string& path, std::vector<std::string>& warnings) const {
  const fs::path folder = FolderOf(path);
  std::vector<Entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // A writer's temporary file while it writes an entry is no stranger.
    if (!IsEntryName(name) && !name.starts_with(".vorlane-save-")) {
      warnings.push_back("skipped " + it->path().string() + ": not a history entry");
    }
  }
  for (const std::string& name : EntryNames(folder)) {
    FileStamp read;
    Entry entry;
    if (!ReadWholeFile((folder / name).string(), read).ok() || !Decode(read.bytes, entry)) {
      warnings.push_back("skipped " + (folder / name).string() + ": torn or not a history entry");
      continue;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace vorlane::history
