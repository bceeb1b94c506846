// The rules for the eight button bytes: no function on two buttons, none left empty on save.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_bytes.h"
#include "text/refusal.h"

namespace vorlane {

inline constexpr int kNoSelection = -1;

// The eight button lists as the rules see them. Button numbers n run from 1 (M1) to 8 (M8);
// a selection is a catalogue position 0..129 or kNoSelection.
class ButtonLists {
 public:
  virtual ~ButtonLists() = default;
  virtual int Selection(int n) const = 0;
  // Like a user's choice, a selection made here must run ApplyConflictRule(*this, n) before it
  // returns.
  virtual void SetSelection(int n, int position) = 0;
  virtual int ItemData(int n, int position) const = 0;
  // Modal message; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text) = 0;
};

// "M<n> key can't set like M<k> key." for button n just changed and button k that holds the
// function already.
std::string ClashMessage(int n, int k);
inline constexpr std::string_view kIncompleteMessage = "M1~M8 can't set nothing!";

// Runs after every selection change of list n: if a lower-numbered-first scan finds another
// list holding the same position, reports the first one and clears list n.
void ApplyConflictRule(ButtonLists& lists, int n);

// Sets the lists from the button bytes of `image`, M1 to M8. Lists whose byte names a function
// are cleared first, silently, so choices left from an earlier file cannot clash with the new
// one; a byte that names no function leaves its list as it was.
void MapImageToButtons(ButtonLists& lists, const ImageBytes& image);

// True when every list has a selection.
bool AllButtonsSet(const ButtonLists& lists);

using ButtonBytes = std::array<std::uint8_t, kButtonCount>;

ButtonBytes ReadButtonBytes(const ImageBytes& image);
void WriteButtonBytes(ImageBytes& image, const ButtonBytes& bytes);

// Puts the code of each list's selected item at its button offset. Returns the bytes it
// replaced. Every list must have a selection.
ButtonBytes StoreButtonsInImage(const ButtonLists& lists, ImageBytes& image);

// The same rules for a change of the image's key bytes from `before` to `after` (same length, at
// least kMinImageSize), as a command that writes bytes meets them: each key given a new byte, M1
// first, may not hold the function of another key (ClashMessage, k the lowest); and once any key
// changes, all eight must hold a function (kIncompleteMessage, naming a key that has none). The
// message to refuse the change with, or none.
Refusal KeyRuleViolation(const ImageBytes& before, const ImageBytes& after);

}  // namespace vorlane
