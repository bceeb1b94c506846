// The key map as an SVG document to print: a title, the eight keys as they lie in the editor's
// main window (M1-M4 above M5-M8), then every macro's steps. vorlanectl writes it and the editor
// prints it, so both give the same card.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "card/key_map.h"

namespace vorlane::card {

enum class Paper { kA4, kLetter };

struct PaperSize {
  double width = 0;  // millimetres
  double height = 0;
};
PaperSize SizeOf(Paper paper);

// "a4" or "letter".
std::optional<Paper> PaperNamed(std::string_view name);

struct CardTitle {
  std::string_view fileName;  // the image's, any bytes
  std::string_view date;      // as it is to be printed
};

// Today as the card prints it: "2026-12-07", in local time.
std::string Today();

// The card, one page tall, or a whole number of pages tall when the macros need more: each page
// a band of the paper's height whose content stays within its margins, so that printing at
// 100 % breaks the pages where the card does. The user units are millimetres.
std::string CardSvg(const KeyMap& map, const CardTitle& title, Paper paper);

}  // namespace vorlane::card
