// vorlanectl card IMAGE [-o FILE] [--paper a4|letter] [--layout LAYOUT [--variant V]]
#include <CLI/CLI.hpp>

#include <filesystem>
#include <optional>
#include <string>

#include "card/card_svg.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "layouts/keyboard_layout.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  std::string output;  // empty or "-": standard output
  std::string paper = "a4";
  std::optional<std::string> layout;  // none: the US table, as `type` without --layout
  std::string variant;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin)")->required()->type_name("");
  AddOutputOption(command, options.output);
  command.add_option("--paper", options.paper, "the paper size, a4 or letter (default a4)")
      ->type_name("PAPER");
  AddLayoutOptions(command, options.layout, options.variant,
                   "the computer's keyboard layout the macros type on, as "
                   "for 'vorlanectl type' (default US)");
  command.footer(
      "The card is an SVG document to print at 100 %: the image's file name and today's date,\n"
      "the eight keys as the editor shows them (M1-M4 above M5-M8) with their functions, and\n"
      "for a key that runs a macro what the macro types (when each of its steps is one key\n"
      "that gives a character on the layout; a dead key and its letter as the character they\n"
      "compose, Enter as \u23CE) or its number of steps and time. Below, every macro's steps.\n"
      "Macros too long for one page make the document two or more pages tall.\n"
      "The editor prints the same card with Ctrl+P.");
}

// The layout's reading of key strokes; none after a message for an unknown layout.
std::optional<card::TextReader> Reader(const Options& options, std::ostream& err) {
  if (!options.layout) return card::UsTextReader();
  layouts::KeyboardLayout::Opened opened =
      layouts::KeyboardLayout::Open(*options.layout, options.variant);
  if (!opened.layout) {
    Complain(err, *opened.error);
    return std::nullopt;
  }
  std::shared_ptr<layouts::KeyboardLayout> layout = std::move(opened.layout);
  return [layout](std::span<const card::KeyStroke> strokes) {
    std::vector<layouts::KeyPress> presses;
    for (const card::KeyStroke& s : strokes) presses.push_back({s.modifier, s.key});
    return layout->TextOf(presses);
  };
}

int Run(const Options& options, Streams& streams) {
  const std::optional<card::Paper> paper = card::PaperNamed(options.paper);
  if (!paper) {
    Complain(streams.err, "--paper must be a4 or letter, not " + text::Quoted(options.paper));
    return kExitRefused;
  }
  const std::optional<ImageBytes> image = LoadImage(options.image, streams.err);
  if (!image) return kExitRefused;
  const std::optional<card::TextReader> reader = Reader(options, streams.err);
  if (!reader) return kExitRefused;
  const std::string name = std::filesystem::path(options.image).filename().string();
  const std::string date = card::Today();
  const std::string svg = card::CardSvg(card::ReadKeyMap(*image, *reader), {name, date}, *paper);
  return PrintOrWrite(options.output, options.image, svg, streams);
}

}  // namespace

extern const Command kCard =
    MakeCommand<Options, Setup, Run>("card", "Write a key map to print (SVG) of an image");

}  // namespace vorlane::cli
