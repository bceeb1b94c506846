// The editor's side of printing: the card's SVG from card/, and the module that previews it,
// loaded when first asked for.
#include <QCoreApplication>
#include <QLibrary>

#include "card/card_svg.h"
#include "ui/print/card_print.h"

namespace vorlane::ui {

namespace {

using Preview = void (*)(QWidget*, const CardDrawing&);

// Where the module stands beside the editor, installed or built; VORLANE_PRINT_MODULE names it
// for a test, whose program stands elsewhere.
QString ModulePath() {
  const QString named = qEnvironmentVariable("VORLANE_PRINT_MODULE");
  if (!named.isEmpty()) return named;
  return QCoreApplication::applicationDirPath() +
         QStringLiteral("/" VORLANE_PRINT_MODULE_FROM_PROGRAM);
}

}  // namespace

bool PreviewCard(QWidget* parent, const ImageBytes& image, const QString& fileName,
                 QString& error) {
  QLibrary module(ModulePath());  // stays loaded once loaded
  const auto preview = reinterpret_cast<Preview>(module.resolve("VorlanePreviewCard"));
  if (preview == nullptr) {
    error = module.errorString();
    return false;
  }
  const card::KeyMap map = card::ReadKeyMap(image, card::UsTextReader());
  const std::string name = fileName.toStdString();
  const std::string date = card::Today();
  const CardDrawing card{
      fileName, [&](bool letter) {
        const card::Paper paper = letter ? card::Paper::kLetter : card::Paper::kA4;
        return QByteArray::fromStdString(card::CardSvg(map, {name, date}, paper));
      }};
  preview(parent, card);
  return true;
}

}  // namespace vorlane::ui
