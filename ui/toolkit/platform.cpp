#include "ui/toolkit/platform.h"

#include <cstdlib>

namespace vorlane::ui {

std::optional<std::string> PreferredPlatform(
    const std::function<std::string(std::string_view)>& environment,
    const std::vector<std::string_view>& arguments) {
  if (!environment("QT_QPA_PLATFORM").empty()) return std::nullopt;
  for (const std::string_view argument : arguments) {
    if (argument == "-platform" || argument == "--platform") return std::nullopt;
  }
  const bool wayland =
      !environment("WAYLAND_DISPLAY").empty() || environment("XDG_SESSION_TYPE") == "wayland";
  if (!wayland || environment("DISPLAY").empty()) return std::nullopt;
  return "xcb;wayland";
}

void ChoosePlatform(int argc, char** argv) {
  const auto environment = [](std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    return std::string(value != nullptr ? value : "");
  };
  const std::vector<std::string_view> arguments(argv, argv + argc);
  if (const auto platform = PreferredPlatform(environment, arguments)) {
    ::setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
  }
}

}  // namespace vorlane::ui
