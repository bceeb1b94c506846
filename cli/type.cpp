// vorlanectl type IMAGE PROG TEXT [--start STEP] [--delay SECONDS] [--layout LAYOUT [--variant V]]
#include <CLI/CLI.hpp>

#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/io.h"
#include "image/layout.h"
#include "layouts/keyboard_layout.h"
#include "settings/typing.h"
#include "text/numbers.h"
#include "text/quote.h"

namespace vorlane::cli {

namespace {

struct Options {
  std::string image;
  std::string macro;
  std::string text;  // "-": standard input
  std::string start = "1";
  std::string delay = "0.1";
  std::optional<std::string> layout;  // none: the US table
  std::string variant;
};

void Setup(CLI::App& command, Options& options) {
  command.add_option("IMAGE", options.image, "the device image (.bin) to change")
      ->required()
      ->type_name("");
  command.add_option("PROG", options.macro, "the macro, Prog1..Prog8")->required()->type_name("");
  command.add_option("TEXT", options.text, "the text; - reads standard input")
      ->required()
      ->type_name("");
  command.add_option("--start", options.start, "the first step written, 1..100 (default 1)")
      ->type_name("STEP");
  command
      .add_option("--delay", options.delay,
                  "each step's delay in seconds, 0..25.5 in tenths (default 0.1)")
      ->type_name("SECONDS");
  AddLayoutOptions(command, options.layout, options.variant,
                   "the computer's keyboard layout as XKB names it: us, de, "
                   "fr, ... (default US)");
  command.footer(
      "TEXT is typed as on a US keyboard layout: letters, digits, punctuation and space (SP)\n"
      "as their keys; capitals and shifted characters (! @ # { ? ...) with the modifier LShi;\n"
      "a newline as Ent, a tab as Tab. Each step holds one key, in its last slot, and the\n"
      "delay. With --layout, each character takes the key that gives it on that layout, with\n"
      "LShi for Shift, RAlt for AltGr, RAlt+RShi for both; a character that only a dead key\n"
      "and a letter compose (\u00EA on de) takes two steps. A character with no key on the\n"
      "layout, or a text longer than the steps left, is an error (all such characters are\n"
      "listed), and nothing is written. The macro's other steps stay as they are.\n"
      "With TEXT -, a newline that ends the input is typed too (printf, not echo, avoids it).\n"
      "Put -- before a TEXT that starts with -.");
}

int Run(const Options& options, Streams& streams) {
  const std::optional<int> start = text::ParseCount(options.start, StepsPerProg);
  if (!start) {
    Complain(streams.err, "--start must be a step number from 1 to " +
                              std::to_string(StepsPerProg) + ", not " +
                              text::Quoted(options.start));
    return kExitRefused;
  }
  const std::optional<std::uint8_t> delay = text::ParseSeconds(options.delay);
  if (!delay) {
    Complain(streams.err, "--delay must be seconds in tenths from 0 to 25.5, like 0.1, not " +
                              text::Quoted(options.delay));
    return kExitRefused;
  }
  std::string text = options.text;
  if (text == "-") {
    std::optional<TextInput> input = ReadTextInput(text, streams.in, streams.err);
    if (!input) return kExitRefused;
    if (input->text.empty()) {
      Complain(streams.err, "nothing read from standard input");
      return kExitRefused;
    }
    text = std::move(input->text);
  }
  const std::optional<ImageForChange> image = LoadImageForChange(options.image, streams.err);
  if (!image) return kExitRefused;
  settings::TypeRequest request{options.macro, text, *start, *delay};
  if (options.layout) request.typeText = layouts::LayoutTypist(*options.layout, options.variant);
  const settings::TypeResult typed = settings::TypeIntoImage(image->bytes, request);
  if (typed.error) {
    Complain(streams.err, *typed.error);
    return kExitRefused;
  }
  std::vector<std::string> arguments{options.macro, options.text};
  if (options.start != "1") arguments.insert(arguments.end(), {"--start", options.start});
  return CommitImage(*image, typed.image, CommandWords("type", arguments), streams.err);
}

}  // namespace

extern const Command kType =
    MakeCommand<Options, Setup, Run>("type", "Type text into a macro, one character a step");

}  // namespace vorlane::cli
