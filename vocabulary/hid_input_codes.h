// The Linux input event code that the kernel's HID keyboard driver gives each USB HID keyboard
// usage, and back: what a key code of a step becomes on a Linux computer, and which key code a
// key seen there was.
#pragma once

#include <array>
#include <cstdint>

namespace vorlane {

inline constexpr int kHidUsageCount = 256;

// XKB keycodes (X11 and Wayland) are the Linux input codes plus 8.
inline constexpr std::uint32_t kXkbKeycodeOffset = 8;

// Index = usage of the Keyboard/Keypad page, value = input code; 0 where the kernel gives the
// usage no key.
const std::array<std::uint8_t, kHidUsageCount>& HidInputCodes();

// The usage whose input code is `code`, the lowest one where several share it (0x31 rather than
// the non-US 0x32 for KEY_BACKSLASH); 0 when no usage has it.
std::uint8_t HidUsageOfInputCode(int code);

// The same for the key an XKB keycode names; 0 for keycodes below the offset.
std::uint8_t HidUsageOfXkbKeycode(std::uint32_t keycode);

}  // namespace vorlane
