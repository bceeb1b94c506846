// The end-to-end test's window into the windows' layout: builds the main window, the step list and
// the macro editor as the editor does, off screen, and prints where each named control stands, so
// that the script clicks where the windows put their controls and repeats none of their twips.
//
//   layout_tool    one line a window:  WINDOW - 0 0 WIDTH HEIGHT
//                  one line a control: WINDOW CONTROL X Y WIDTH HEIGHT [TEXT]
//                  one line an item of the step list's context menu: StepMenu K 0 0 0 0 TEXT
//
// Pixels from the window's client area; WINDOW and CONTROL are the object names (Form1, Command5,
// Form2, Label2_3, keycode, Label1_17, ...), TEXT what the control shows.
//
//   layout_tool --saved-message          the message of a successful Save and Save Set
//
//   layout_tool --editor-picture FILE    draws the macro editor with a sample step into FILE (PNG),
//                                        the README's picture (docs/macro-editor.png)
#include <QAction>
#include <QApplication>
#include <QMenu>

#include <iostream>
#include <string_view>

#include "image/module1.h"
#include "ui/main/form1.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/dialogs.h"
#include "ui/toolkit/texts.h"

namespace {

void Print(const QWidget& window) {
  const std::string name = window.objectName().toStdString();
  std::cout << name << " - 0 0 " << window.width() << ' ' << window.height() << '\n';
  for (const QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->objectName().isEmpty() || control->isWindow()) continue;
    const QRect r = control->geometry();
    std::cout << name << ' ' << control->objectName().toStdString() << ' ' << r.x() << ' ' << r.y()
              << ' ' << r.width() << ' ' << r.height();
    const QString text = vorlane::ui::CaptionOf(control).simplified();
    if (!text.isEmpty()) std::cout << ' ' << text.toStdString();
    std::cout << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--saved-message") {
    std::cout << vorlane::ui::kSavedMessage << '\n';
    return std::cout.good() ? 0 : 1;
  }
  // The layout is fixed in the windows' own units; no display is needed to read it.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vorlane::Module1 state;
  vorlane::ui::QtDialogs dialogs;
  if (argc == 3 && std::string_view(argv[1]) == "--editor-picture") {
    state.StepBuffer = {0x01, 0x05, 0, 0, 0xE0, 0x04, 0x05, 0x07};  // LCtr, 0.5s, LCtr A B D
    vorlane::ui::ImageEdits edits(state, dialogs, nullptr, &vorlane::NoHistory());
    vorlane::ui::keycode editor(state, dialogs, edits, nullptr);
    editor.show();
    QCoreApplication::processEvents();
    if (QWidget* focused = editor.focusWidget()) focused->clearFocus();  // no focus mark
    return editor.grab().save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
  }
  vorlane::ui::Form1 main(state, dialogs);
  vorlane::ui::Form2 list(state, &main);
  const vorlane::ui::keycode editor(state, dialogs, main.Edits(), &main);
  Print(main);
  Print(list);
  Print(editor);
  int k = 0;
  for (const QAction* item : list.ContextMenu()->actions()) {
    if (item->isSeparator()) continue;
    // As a screen reader names it: without the mnemonic's ampersand.
    std::cout << "StepMenu " << k++ << " 0 0 0 0 "
              << QString(item->text()).remove('&').toStdString() << '\n';
  }
  return std::cout.good() ? 0 : 1;
}
