// libFuzzer entry point: every input is a file the user might load.
#include "fuzz/fuzz_entry.h"
#include "fuzz/image_harness.h"

VORLANE_FUZZ_TARGET("vorlane-fuzz", vorlane::fuzz::CheckImageInput)
