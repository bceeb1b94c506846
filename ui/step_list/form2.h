// The step list: the 100 steps of macro ProgIndex as one line of text each, ten to a page,
// paged by the scroll bar and the mouse wheel. A double-click on a step's text, or Enter or Space
// on the focused step, asks for the editor on that step; whoever opened the list decides what
// that means. From the keyboard, Tab goes between the scroll bar and the rows of the page shown,
// and the arrow keys go from row to row, turning the page at its edges.
//
// The rows are a list a user selects in as in a file manager (click, Shift, Ctrl, Ctrl+A). The
// operations on the selection (copy, paste, delete, ...) are actions with their shortcuts, in the
// window and in its context menu; the list only asks for them, whoever opened it carries them out.
#pragma once

#include <QWidget>

#include <vector>

#include "image/module1.h"
#include "ui/toolkit/controls.h"

class QAction;
class QMenu;
class QScrollBar;

namespace vorlane::ui {

class WheelPager;

inline constexpr int kRowsPerPage = 10;
inline constexpr int kPageCount = StepsPerProg / kRowsPerPage;

// The operations of the step list, in the order of its context menu.
enum class ListAction {
  Cut,
  Copy,
  Paste,
  PasteBefore,
  Delete,
  Insert,
  Duplicate,
  MoveUp,
  MoveDown,
  Clear,
  SetDelay,
};
inline constexpr int kListActionCount = 11;

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
  // The same controls by what they are, for tests and new code; the names above are what the
  // accessibility bus and the end-to-end runs see.
  QScrollBar* PageScrollBar() const { return vscroll1_; }   // VScroll1
  ClickLabel* RowNumber(int i) const { return Label1(i); }  // Label1
  ClickLabel* Step(int i) const { return Label2(i); }       // Label2

  // Rewrites the text of row n (0..99); the page stays as it is.
  void RefreshRow(int n, const MacroStep& step);
  // Rewrites every row from `block`, as after a new file was loaded; the page stays as it is.
  void ShowSteps(const ProgBlock& block);

  // The selected rows, ascending; the current row alone when none is selected.
  std::vector<int> Selection() const;
  // The row the keyboard is on (or was last on): where Insert and the pastes act.
  int CurrentRow() const { return current_; }
  // Selects `rows` and makes `current` the current row, turning to its page.
  void Select(const std::vector<int>& rows, int current);
  QAction* Action(ListAction action) const;
  // The context menu, built on first use; it shows at the current row.
  QMenu* ContextMenu();
  void ShowContextMenu(const QPoint& globalPos);

 signals:
  // The step text of row n (0..99) was double-clicked.
  void RowDoubleClicked(int n);
  // The user asked for an operation on the selection.
  void ActionAsked(ListAction action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildScrollBar();
  void BuildActions();
  void ShowPage(int page);
  int FocusedRow() const;  // the row whose step text has the focus, or -1
  void FocusRow(int n);    // turning to its page first
  // A click or a move to row n, with the keys held: plain selects it alone, Shift extends from
  // the anchor, Ctrl toggles (a click) or leaves the selection as it is (a move).
  void PickRow(int n, Qt::KeyboardModifiers held, bool click);
  void SetRowSelected(int n, bool selected);
  bool MoveKey(QKeyEvent* event);

  QScrollBar* vscroll1_ = nullptr;
  LabelArray label1_;
  LabelArray label2_;
  WheelPager* wheel_ = nullptr;
  int shownPage_ = -1;
  int current_ = 0;
  int anchor_ = 0;
  std::vector<QAction*> actions_;
  QMenu* menu_ = nullptr;
};

}  // namespace vorlane::ui
