// The key map in the editor: Qt's print preview of the card that `vorlanectl card` writes, drawn
// from the same SVG by Qt's SVG renderer, so the two never differ. Nothing here is built before
// the user asks to print.
#pragma once

#include <QString>

#include "image/image_bytes.h"

class QPrinter;
class QWidget;

namespace vorlane::ui {

struct CardSource {
  ImageBytes image;  // at least kMinImageSize bytes
  QString fileName;  // the image's, for the title
};

// Draws the card on the printer's pages at 100 %, each page of the card on a sheet (the
// printer's range of pages when it has one). Letter paper gives the Letter card, any other A4.
void PaintCard(QPrinter& printer, const CardSource& source);

// Opens the print preview of the card over `parent` and returns when it is closed; the preview
// paints through PaintCard, and from it the user prints or saves a PDF.
void PreviewCard(QWidget* parent, const CardSource& source);

}  // namespace vorlane::ui
