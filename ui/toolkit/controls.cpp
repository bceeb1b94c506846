#include "ui/toolkit/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace vorlane::ui {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setInsertPolicy(QComboBox::NoInsert);
  // currentIndexChanged is emitted synchronously for user and program changes alike.
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Click(); });
}

void DropDownList::AddItem(const QString& text, int itemData) {
  // QComboBox selects the first item added to an empty list; a new list must have none.
  const QSignalBlocker quiet(this);
  const int selected = currentIndex();
  addItem(text, itemData);
  setCurrentIndex(selected);
}

void DropDownList::ShareModel(QAbstractItemModel* model) {
  const QSignalBlocker quiet(this);
  setModel(model);
  setCurrentIndex(-1);
}

int DropDownList::ItemData(int index) const { return itemData(index).toInt(); }

int DropDownList::IndexOfData(int itemData) const {
  for (int i = 0; i < count(); ++i) {
    if (ItemData(i) == itemData) return i;
  }
  return -1;
}

ClickLabel::ClickLabel(const QString& caption, int index, QWidget* parent)
    : QLabel(caption, parent), index_(index) {}

void ClickLabel::ActAsButton() {
  setFocusPolicy(Qt::TabFocus);
  setStyleSheet(styleSheet() + QStringLiteral("QLabel:focus { border: 1px dotted black; }"));
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Click(index_);
  }
  QLabel::mouseReleaseEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DblClick(index_);
  QLabel::mouseDoubleClickEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  if (focusPolicy() != Qt::NoFocus &&
      (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
       event->key() == Qt::Key_Enter)) {
    emit Click(index_);
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace vorlane::ui
