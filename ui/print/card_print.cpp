#include "ui/print/card_print.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace vorlane::ui {

namespace {

constexpr double kPointsPerMillimetre = 72 / 25.4;

// Qt's SVG renderer draws text as outlines on a printer, which leaves a PDF with nothing to search
// or copy. So it draws the card without its <text> elements, and each of them is drawn here as
// text, where the SVG puts it and as large and heavy as the SVG says.
void DrawTexts(QPainter& painter, const QByteArray& svg, double top, double pixelsPerMillimetre) {
  QXmlStreamReader reader(svg);
  QString family;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const QXmlStreamAttributes a = reader.attributes();
    if (a.hasAttribute(QStringLiteral("font-family"))) {
      family = a.value(QStringLiteral("font-family")).toString();
    }
    if (reader.name() != QStringLiteral("text")) continue;
    QFont font(family);
    font.setPointSizeF(a.value(QStringLiteral("font-size")).toDouble() * kPointsPerMillimetre);
    font.setBold(a.value(QStringLiteral("font-weight")) == QStringLiteral("bold"));
    font.setItalic(a.value(QStringLiteral("font-style")) == QStringLiteral("italic"));
    const QString anchor = a.value(QStringLiteral("text-anchor")).toString();
    QPointF at(a.value(QStringLiteral("x")).toDouble(),
               a.value(QStringLiteral("y")).toDouble() - top);
    at *= pixelsPerMillimetre;
    const QString text = reader.readElementText();
    painter.setFont(font);
    const double width = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
    if (anchor == QStringLiteral("middle")) at.rx() -= width / 2;
    painter.drawText(at, text);
  }
}

}  // namespace

void PaintCard(QPrinter& printer, const CardDrawing& card) {
  const bool letter = printer.pageLayout().pageSize().id() == QPageSize::Letter;
  const QByteArray svg = card.svg(letter);
  static const QRegularExpression textElement(QStringLiteral("<text [^>]*>[^<]*</text>"));
  QSvgRenderer shapes(QString::fromUtf8(svg).remove(textElement).toUtf8());
  const QSizeF size =
      QPageSize(letter ? QPageSize::Letter : QPageSize::A4).size(QPageSize::Millimeter);
  const int pages =
      std::max(1, static_cast<int>(std::lround(shapes.viewBoxF().height() / size.height())));
  const int first = printer.fromPage() > 0 ? std::min(printer.fromPage(), pages) : 1;
  const int last = printer.toPage() > 0 ? std::min(printer.toPage(), pages) : pages;
  // The painter's origin at the sheet's corner, so that millimetres on the card are millimetres
  // on paper.
  printer.setFullPage(true);
  QPainter painter(&printer);
  const QRectF sheet(QPointF(0, 0),
                     printer.pageLayout().fullRectPixels(printer.resolution()).size());
  for (int page = first; page <= last; ++page) {
    if (page > first) printer.newPage();
    const double top = (page - 1) * size.height();
    shapes.setViewBox(QRectF(QPointF(0, top), size));
    shapes.render(&painter, sheet);
    painter.setPen(Qt::black);
    DrawTexts(painter, svg, top, sheet.width() / size.width());
  }
}

}  // namespace vorlane::ui

// What the editor looks up in the module, by this name.
extern "C" Q_DECL_EXPORT void VorlanePreviewCard(QWidget* parent,
                                                 const vorlane::ui::CardDrawing& card) {
  QPrintPreviewDialog preview(parent);
  preview.setWindowTitle(QStringLiteral("Print the key map of %1").arg(card.fileName));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&card](QPrinter* printer) { vorlane::ui::PaintCard(*printer, card); });
  preview.exec();
}
