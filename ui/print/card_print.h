// The key map in the editor: Qt's print preview of the card that `vorlanectl card` writes, drawn
// from the same SVG by Qt's SVG renderer, so the two never differ. The preview lives in a module
// of its own (vorlane-print.so) that the editor loads only when the user asks to print, so that
// Qt's SVG and print support cost nothing at start.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include "image/image_bytes.h"

class QPrinter;
class QWidget;

namespace vorlane::ui {

struct CardDrawing {
  QString fileName;                            // the image's, for the window title
  std::function<QByteArray(bool letter)> svg;  // the card on A4, or on Letter paper
};

// In the module. Draws the card on the printer's pages at 100 %, each page of the card on a sheet
// (the printer's range of pages when it has one). Letter paper gives the Letter card, any other
// A4.
void PaintCard(QPrinter& printer, const CardDrawing& card);

// In the editor. Loads the module and opens the print preview of the card of `image` (the keys as
// given, the macros read on a US layout) over `parent`; returns when it is closed. False, with
// `error` set, when the module cannot be loaded.
bool PreviewCard(QWidget* parent, const ImageBytes& image, const QString& fileName, QString& error);

}  // namespace vorlane::ui
