// Eight lists held in memory that behave like the main window's: every selection change, the
// program's own included, runs the clash rule before the setter returns.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "image/button_rules.h"
#include "vocabulary/function_catalogue.h"

namespace vorlane::testing {

class FakeButtonLists final : public ButtonLists {
 public:
  int Selection(int n) const override { return selection_.at(static_cast<std::size_t>(n - 1)); }
  void SetSelection(int n, int position) override {
    selection_.at(static_cast<std::size_t>(n - 1)) = position;
    ++changes;
    ApplyConflictRule(*this, n);
  }
  int ItemData(int /*n*/, int position) const override { return CatalogueCode(position); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::vector<std::string> messages;
  int changes = 0;

 private:
  std::array<int, kButtonCount> selection_ = {-1, -1, -1, -1, -1, -1, -1, -1};
};

}  // namespace vorlane::testing
