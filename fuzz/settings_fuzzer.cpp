// libFuzzer entry point: every input is a settings file a user might import.
#include "fuzz/fuzz_entry.h"
#include "fuzz/settings_harness.h"

VORLANE_FUZZ_TARGET("vorlane-settings-fuzz", vorlane::fuzz::CheckSettingsInput)
