// Layout units. Window and control positions are kept in twips (1/1440 inch); Qt places widgets
// in device-independent pixels at 96 per inch, so 15 twips make one pixel.
#pragma once

#include <QRect>
#include <QSize>

namespace vorlane::ui {

inline constexpr int kTwipsPerPixel = 1440 / 96;

constexpr int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

// Where a control stands in its window, in twips.
struct TwipsPlace {
  int left, top, width, height;
};

inline QRect TwipsRect(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}

inline QRect TwipsRect(const TwipsPlace& p) { return TwipsRect(p.left, p.top, p.width, p.height); }

inline QSize TwipsSize(int width, int height) { return {Px(width), Px(height)}; }

}  // namespace vorlane::ui
