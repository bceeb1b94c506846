// The hand-shake between the benchmark and the programs whose start-up it times: the benchmark
// opens a pipe and names its write end in this variable. The program writes, once its first
// window has been painted, that moment as CLOCK_MONOTONIC nanoseconds and quits; then, as it
// exits, its peak resident memory in KiB. Both are 8-byte integers.
//
// The peak comes from the program itself (VmHWM) because the maxrss the kernel hands a parent
// counts the memory of the process that spawned the child as well.
#pragma once

namespace vorlane::bench {

inline constexpr const char* kShownFdVariable = "VORLANE_BENCH_SHOWN_FD";

}  // namespace vorlane::bench
