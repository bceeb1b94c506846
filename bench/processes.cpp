#include "bench/processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "bench/shown_signal.h"

extern char** environ;

namespace vorlane::bench {

namespace {

constexpr int kShownTimeoutMs = 60'000;

std::int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The argv or envp form of `strings`, which must outlive it.
std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

class Pipe {
 public:
  Pipe() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    // Only the write end goes to the child.
    if (fds_[0] >= 0) ::fcntl(fds_[0], F_SETFD, FD_CLOEXEC);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    CloseWriteEnd();
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
  bool valid() const { return fds_[0] >= 0; }
  int ReadEnd() const { return fds_[0]; }
  int WriteEnd() const { return fds_[1]; }
  void CloseWriteEnd() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2]{-1, -1};
};

// Reads one 8-byte value by `deadline`; false on time-out, end of file or error.
bool ReadValue(int fd, std::int64_t deadline, std::int64_t& value) {
  auto* out = reinterpret_cast<char*>(&value);
  std::size_t got = 0;
  while (got < sizeof value) {
    const auto left = static_cast<int>((deadline - NowNs()) / 1'000'000);
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t n = ::read(fd, out + got, sizeof value - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

Measured<ProcessRun> RunUntilShown(const std::string& program,
                                   const std::vector<std::string>& args) {
  Pipe pipe;
  if (!pipe.valid()) {
    return {std::nullopt, std::string("pipe: ") + std::strerror(errno)};
  }

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, kShownFdVariable, std::strlen(kShownFdVariable)) != 0)
      env.emplace_back(*e);
  }
  env.push_back(std::string(kShownFdVariable) + "=" + std::to_string(pipe.WriteEnd()));
  std::vector<char*> envp = NullTerminated(env);
  std::vector<std::string> argStrings{program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv = NullTerminated(argStrings);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  const std::int64_t start = NowNs();
  pid_t pid = -1;
  const int spawned =
      ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  pipe.CloseWriteEnd();  // so that a child that dies unreported gives end of file
  if (spawned != 0) {
    return {std::nullopt, program + ": " + std::strerror(spawned)};
  }

  const std::int64_t deadline = start + std::int64_t{kShownTimeoutMs} * 1'000'000;
  std::int64_t shown = 0;
  std::int64_t peak = 0;
  const bool reported =
      ReadValue(pipe.ReadEnd(), deadline, shown) && ReadValue(pipe.ReadEnd(), deadline, peak);
  if (!reported) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!reported) {
    return {std::nullopt, program + " did not report its window shown and its peak memory"};
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return {std::nullopt, program + " did not end cleanly after showing its window"};
  }
  ProcessRun run;
  run.shownSeconds = static_cast<double>(shown - start) / 1e9;
  run.peakRssKiB = static_cast<long>(peak);
  return {run, std::nullopt};
}

Measured<double> RunToExit(const Program& program) {
  std::vector<std::string> argStrings{program.path};
  argStrings.insert(argStrings.end(), program.args.begin(), program.args.end());
  std::vector<char*> argv = NullTerminated(argStrings);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const std::int64_t start = NowNs();
  pid_t pid = -1;
  const int spawned =
      ::posix_spawn(&pid, program.path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    return {std::nullopt, program.path + ": " + std::strerror(spawned)};
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  const std::int64_t end = NowNs();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return {std::nullopt, program.path + " did not end with status 0"};
  }
  return {static_cast<double>(end - start) / 1e9, std::nullopt};
}

Measured<std::vector<ExitFigures>> MeasureExits(const std::vector<Program>& programs, int runs) {
  for (const Program& p : programs) {
    if (Measured<double> warm = RunToExit(p); !warm.figures) return {std::nullopt, warm.error};
  }
  std::vector<std::vector<double>> seconds(programs.size());
  std::vector<std::vector<double>> ratios(programs.size());
  for (int r = 0; r < runs; ++r) {
    std::vector<double> round;
    for (const Program& p : programs) {
      const Measured<double> run = RunToExit(p);
      if (!run.figures) return {std::nullopt, run.error};
      round.push_back(*run.figures);
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
      seconds[i].push_back(round[i]);
      ratios[i].push_back(round[i] / round.front());
    }
  }
  std::vector<ExitFigures> figures(programs.size());
  if (runs <= 0) return {figures, std::nullopt};
  for (std::size_t i = 0; i < programs.size(); ++i) {
    figures[i].medianSeconds = Median(seconds[i]);
    figures[i].medianRatio = Median(ratios[i]);
  }
  return {figures, std::nullopt};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  if (values.size() % 2 == 1) return values[mid];
  return (values[mid - 1] + values[mid]) / 2;
}

Measured<std::vector<ProcessFigures>> MeasureProcesses(const std::vector<Program>& programs,
                                                       int runs) {
  for (const Program& p : programs) {
    if (Measured<ProcessRun> warm = RunUntilShown(p.path, p.args); !warm.figures) {
      return {std::nullopt, warm.error};
    }
  }
  std::vector<std::vector<ProcessRun>> rounds;
  for (int r = 0; r < runs; ++r) {
    std::vector<ProcessRun>& round = rounds.emplace_back();
    for (const Program& p : programs) {
      const Measured<ProcessRun> run = RunUntilShown(p.path, p.args);
      if (!run.figures) return {std::nullopt, run.error};
      round.push_back(*run.figures);
    }
  }
  std::vector<ProcessFigures> figures(programs.size());
  if (rounds.empty()) return {figures, std::nullopt};
  for (std::size_t i = 0; i < programs.size(); ++i) {
    std::vector<double> shown, rss, shownRatio, rssRatio;
    for (const std::vector<ProcessRun>& round : rounds) {
      const ProcessRun& run = round[i];
      const ProcessRun& first = round.front();
      shown.push_back(run.shownSeconds);
      rss.push_back(static_cast<double>(run.peakRssKiB));
      shownRatio.push_back(run.shownSeconds / first.shownSeconds);
      rssRatio.push_back(static_cast<double>(run.peakRssKiB) /
                         static_cast<double>(first.peakRssKiB));
    }
    ProcessFigures& f = figures[i];
    f.runs = runs;
    f.medianShownSeconds = Median(shown);
    f.medianPeakRssKiB = Median(rss);
    f.medianShownRatio = Median(shownRatio);
    f.medianPeakRssRatio = Median(rssRatio);
  }
  return {figures, std::nullopt};
}

}  // namespace vorlane::bench
