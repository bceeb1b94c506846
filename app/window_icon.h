// The editor's window icon: its scalable drawing rendered at build time (render_icon.cpp) into
// the four sizes Qt renders a scalable icon at for an X11 window.
#pragma once

#include <QIcon>

#include <cstdint>
#include <vector>

namespace vorlane {

struct WindowIconSize {
  int size;                     // width and height in pixels
  const std::uint32_t* pixels;  // premultiplied ARGB, row by row
};
extern const std::vector<WindowIconSize> kWindowIconSizes;

QIcon WindowIcon();

}  // namespace vorlane
