// The step list: the 100 steps of macro ProgIndex as one line of text each, ten to a page,
// paged by the scroll bar and the mouse wheel. A double-click on a step's text, or Enter or Space
// on the focused step, asks for the editor on that step; whoever opened the list decides what
// that means. From the keyboard, Tab goes between the scroll bar and the rows of the page shown,
// and the arrow keys go from row to row, turning the page at its edges.
#pragma once

#include <QWidget>

#include "image/module1.h"
#include "ui/toolkit/controls.h"

class QScrollBar;

namespace vorlane::ui {

class WheelPager;

inline constexpr int kRowsPerPage = 10;
inline constexpr int kPageCount = StepsPerProg / kRowsPerPage;

class Form2 : public QWidget {
  Q_OBJECT
 public:
  // Builds every row from ProgSteps[ProgIndex] as it is now and shows page 0. The list is a
  // window of its own; `parent` is the main window, which it closes with.
  explicit Form2(const Module1& state, QWidget* parent = nullptr);
  ~Form2() override;

  QScrollBar* VScroll1() const { return vscroll1_; }
  ClickLabel* Label1(int i) const { return label1_.at(static_cast<std::size_t>(i)); }  // "1".."100"
  ClickLabel* Label2(int i) const { return label2_.at(static_cast<std::size_t>(i)); }  // step text

  // Rewrites the text of row n (0..99); the page stays as it is.
  void RefreshRow(int n, const MacroStep& step);
  // Rewrites every row from `block`, as after a new file was loaded; the page stays as it is.
  void ShowSteps(const ProgBlock& block);

 signals:
  // The step text of row n (0..99) was double-clicked.
  void RowDoubleClicked(int n);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowPage(int page);
  int FocusedRow() const;  // the row whose step text has the focus, or -1
  void FocusRow(int n);    // turning to its page first

  QScrollBar* vscroll1_ = nullptr;
  LabelArray label1_;
  LabelArray label2_;
  WheelPager* wheel_ = nullptr;
  int shownPage_ = -1;
};

}  // namespace vorlane::ui
