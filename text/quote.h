// Text put in messages and files so that neither a terminal nor a reader can mistake it.
#pragma once

#include <string>
#include <string_view>

namespace vorlane::text {

// `text` in double quotes, with '"', '\' and every character a terminal would hide, act on or show
// as something else escaped: control characters (C0, DEL and C1), the no-break and other unusual
// spaces, invisible marks and the bidirectional controls, as "\u00A0"; a newline and a tab as "\n"
// and "\t". TOML and JSON both read the result back as `text`. A byte that is no UTF-8 is shown as
// "\xFF", which neither reads: such text belongs in neither.
std::string Quoted(std::string_view text);

// `text` as it is when it holds none of those characters (nor a '"'), else Quoted(text): a file
// name in a message, which stays on one line and cannot pass for another.
std::string Shown(std::string_view text);

}  // namespace vorlane::text
