// The settings file: the functions of keys M1..M8 and the steps of macros Prog1..Prog8 as TOML
// text a person can read, edit, diff and keep. docs/settings-format.md describes it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace vorlane::settings {

// What a settings file says. A key or macro left out leaves the image as it is; a macro given
// replaces all its steps, the ones not listed becoming zero.
struct Settings {
  std::array<std::optional<std::uint8_t>, kButtonCount> keys;            // M1..M8: function codes
  std::array<std::optional<std::vector<MacroStep>>, kProgCount> macros;  // Prog1..Prog8: step 1 on
};

// The whole settings of `image` (at least kMinImageSize bytes) as the file's text: every key
// whose byte names a function (the others as comments), every macro without its trailing zero
// steps.
std::string ExportSettings(const ImageBytes& image);

// A place in a file, 1-based; line 0 when the error concerns no place in particular.
struct FileError {
  std::string file;
  int line = 0;
  int column = 0;
  std::string message;

  // "FILE:LINE:COLUMN: message"
  std::string Text() const;
};

struct ParsedSettings {
  Settings settings;              // to be ignored when there are errors
  std::vector<FileError> errors;  // every error found, in file order
  bool ok() const { return errors.empty(); }
};

// Reads the text of a settings file; `fileName` only names it in errors.
ParsedSettings ParseSettings(std::string_view text, std::string_view fileName);

// `image` with `settings` put in: every byte the settings do not name stays.
ImageBytes ApplySettings(const ImageBytes& image, const Settings& settings);

}  // namespace vorlane::settings
