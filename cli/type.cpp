// vorlanectl type IMAGE PROG TEXT [--start STEP] [--delay SECONDS]
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/io.h"
#include "image/layout.h"
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
  command.footer(
      "TEXT is typed as on a US keyboard layout: letters, digits, punctuation and space (SP)\n"
      "as their keys; capitals and shifted characters (! @ # { ? ...) with the modifier LShi;\n"
      "a newline as Ent, a tab as Tab. Each step holds one key, in its last slot, and the\n"
      "delay. A character with no key on that layout, or a text longer than the steps left,\n"
      "is an error, and nothing is written. The macro's other steps stay as they are.\n"
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
    text = std::move(input->text);
  }
  const std::optional<ImageForChange> image = LoadImageForChange(options.image, streams.err);
  if (!image) return kExitRefused;
  const settings::TypeResult typed =
      settings::TypeIntoImage(image->bytes, {options.macro, text, *start, *delay});
  if (typed.error) {
    Complain(streams.err, *typed.error);
    return kExitRefused;
  }
  return CommitImage(*image, typed.image, streams.err);
}

}  // namespace

extern const Command kType =
    MakeCommand<Options, Setup, Run>("type", "Type text into a macro, one character a step");

}  // namespace vorlane::cli
