#include "image/button_rules.h"

#include <stdexcept>

#include "vocabulary/function_catalogue.h"

namespace vorlane {

namespace {

std::size_t OffsetOf(int n) { return ButtonOffsets.at(static_cast<std::size_t>(n - 1)); }

}  // namespace

std::string ClashMessage(int n, int k) {
  return "M" + std::to_string(n) + " key can't set like M" + std::to_string(k) + " key.";
}

void ApplyConflictRule(ButtonLists& lists, int n) {
  const int p = lists.Selection(n);
  if (p == kNoSelection) return;
  for (int k = 1; k <= kButtonCount; ++k) {
    if (k == n || lists.Selection(k) != p) continue;
    lists.ShowMessage(ClashMessage(n, k));
    // Clearing raises the list's change handler again; it finds no selection and stops.
    lists.SetSelection(n, kNoSelection);
    return;
  }
}

void MapImageToButtons(ButtonLists& lists, const ImageBytes& image) {
  RequireImage(image);
  for (int n = 1; n <= kButtonCount; ++n) {
    if (CataloguePosition(image[OffsetOf(n)])) lists.SetSelection(n, kNoSelection);
  }
  for (int n = 1; n <= kButtonCount; ++n) {
    if (const auto p = CataloguePosition(image[OffsetOf(n)])) lists.SetSelection(n, *p);
  }
}

bool AllButtonsSet(const ButtonLists& lists) {
  for (int n = 1; n <= kButtonCount; ++n) {
    if (lists.Selection(n) == kNoSelection) return false;
  }
  return true;
}

ButtonBytes ReadButtonBytes(const ImageBytes& image) {
  RequireImage(image);
  ButtonBytes bytes{};
  for (int n = 1; n <= kButtonCount; ++n)
    bytes[static_cast<std::size_t>(n - 1)] = image[OffsetOf(n)];
  return bytes;
}

void WriteButtonBytes(ImageBytes& image, const ButtonBytes& bytes) {
  RequireImage(image);
  for (int n = 1; n <= kButtonCount; ++n)
    image[OffsetOf(n)] = bytes[static_cast<std::size_t>(n - 1)];
}

ButtonBytes StoreButtonsInImage(const ButtonLists& lists, ImageBytes& image) {
  if (!AllButtonsSet(lists)) throw std::logic_error("a button has no function");
  const ButtonBytes before = ReadButtonBytes(image);
  ButtonBytes after{};
  for (int n = 1; n <= kButtonCount; ++n) {
    after[static_cast<std::size_t>(n - 1)] =
        static_cast<std::uint8_t>(lists.ItemData(n, lists.Selection(n)));
  }
  WriteButtonBytes(image, after);
  return before;
}

Refusal KeyRuleViolation(const ImageBytes& before, const ImageBytes& after) {
  const ButtonBytes old = ReadButtonBytes(before);
  const ButtonBytes now = ReadButtonBytes(after);
  if (old == now) return std::nullopt;
  const auto named = [](std::uint8_t code) { return CataloguePosition(code).has_value(); };
  for (std::size_t n = 0; n < now.size(); ++n) {
    if (now[n] == old[n] || !named(now[n])) continue;
    for (std::size_t k = 0; k < now.size(); ++k) {
      if (k != n && now[k] == now[n]) {
        return ClashMessage(static_cast<int>(n + 1), static_cast<int>(k + 1));
      }
    }
  }
  for (std::size_t n = 0; n < now.size(); ++n) {
    if (!named(now[n])) {
      return std::string(kIncompleteMessage) + " (M" + std::to_string(n + 1) + " has no function)";
    }
  }
  return std::nullopt;
}

}  // namespace vorlane
