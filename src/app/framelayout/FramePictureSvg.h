#pragma once

#include "app/framelayout/FramePictureDrawing.h"

#include <QByteArray>

namespace cac::app {

// The picture as an SVG document, drawn by hand: the program is also built
// with a Qt that has no SVG module.
QByteArray FramePictureSvg(const FramePicture& picture);

} // namespace cac::app
