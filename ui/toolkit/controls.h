// Controls the windows are built from: a pick-only drop-down list whose every selection change,
// the program's own included, raises Click before the setter returns; and a label that reports
// clicks with its index in a label array.
#pragma once

#include <QComboBox>
#include <QFrame>
#include <QKeySequence>
#include <QString>

#include <vector>

class QShortcut;

namespace vorlane::ui {

class DropDownList : public QComboBox {
  Q_OBJECT
 public:
  explicit DropDownList(QWidget* parent = nullptr);

  void AddItem(const QString& text, int itemData);
  // Shows the items of a model that other lists share; the list keeps its own selection and
  // starts with none.
  void ShareModel(QAbstractItemModel* model);
  int ItemData(int index) const;
  int ListIndex() const { return currentIndex(); }  // -1: no selection
  void SetListIndex(int index) { setCurrentIndex(index); }
  // Index of the first item whose data equals `itemData`, or -1.
  int IndexOfData(int itemData) const;

 signals:
  void Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A window-wide shortcut that acts once per key stroke, and the tooltip text that names it:
// "<what> (<keys>)".
QShortcut* AddShortcut(QWidget* window, const QKeySequence& keys);
QString WithShortcut(const QString& what, const QKeySequence& keys);

// Marks whichever control of `window` has the focus with a frame 2 px wide around it, in the
// palette's highlight colour: the styles' own marks are 1 px, dotted or faint, and drawn only after
// the first Tab. One mark per window; it goes with the window.
void MarkFocus(QWidget* window);

// Closes `window` on a plain Escape, as Alt+F4 would, and says so. A held Escape closes one
// window only: its repeats would close the next window to come to the front.
bool CloseOnEscape(QWidget* window, QKeyEvent* event);

// A one-line plain-text label in an optional frame. It draws its caption as a QLabel does, but
// keeps nothing else: a QLabel that can take the focus holds a whole text document, and with
// one on each of the editor's hundred key-caps the editor opened several times slower.
//
// Screen readers see it for what it does: plain text, a push button whose Press action clicks
// it, or a row of a list whose Open action double-clicks it. Its accessible name is its caption
// unless the window names it otherwise.
class ClickLabel : public QFrame {
  Q_OBJECT
 public:
  enum class Acts { AsText, AsButton, AsRow };
  static inline const QString kOpenAction = QStringLiteral("Open");

  ClickLabel(const QString& caption, int index, QWidget* parent);
  int Index() const { return index_; }
  Acts Role() const { return acts_; }
  // Lets the label take keyboard focus and act on Space and Enter, like a button: Enter acts on
  // its press, Space on its release, and a held key's auto-repeat does nothing.
  void ActAsButton();
  // A row of a list that double-click opens; Space and Enter on the focused row do the same.
  void ActAsRow();
  // A selected row is drawn in the palette's highlight colours, and screen readers hear it.
  void SetSelected(bool selected);
  bool Selected() const { return selected_; }

  QString text() const { return text_; }
  void setText(const QString& text);
  void clear() { setText(QString()); }
  Qt::Alignment alignment() const { return alignment_; }
  void setAlignment(Qt::Alignment alignment);

  QSize sizeHint() const override;

 signals:
  void Click(int index);
  void DblClick(int index);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect TextRect() const;
  bool TakesKeys() const { return acts_ != Acts::AsText && focusPolicy() != Qt::NoFocus; }
  void Activate();  // what a click (button) or double-click (row) does

  int index_;
  bool spaceDown_ = false;  // Space pressed here and not yet released
  bool selected_ = false;
  Acts acts_ = Acts::AsText;
  QString text_;
  Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;  // as a QLabel's
};

using LabelArray = std::vector<ClickLabel*>;

// The caption a label, a ClickLabel or a button shows; empty for any other control.
QString CaptionOf(const QWidget* control);

}  // namespace vorlane::ui
