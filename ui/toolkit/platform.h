// Which of Qt's window-system plugins the editor runs on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::ui {

// The step list stands against the main window's right edge and the editor over it, but a Wayland
// client cannot place its own windows, and Qt picks its Wayland plugin on a Wayland session. So
// when the user has chosen no platform (no QT_QPA_PLATFORM, no -platform argument) and an X server
// is there to use (XWayland), the editor asks for X11 first, falling back to Wayland should that X
// server not answer. Returns the QT_QPA_PLATFORM value to set, or nothing to leave Qt's choice.
std::optional<std::string> PreferredPlatform(
    const std::function<std::string(std::string_view)>& environment,
    const std::vector<std::string_view>& arguments);

// Applies PreferredPlatform to this process; call before the application object is made.
void ChoosePlatform(int argc, char** argv);

}  // namespace vorlane::ui
