#pragma once

#include "catalogue/VariableCatalogue.h"
#include "image/ImageDecoder.h"

#include <QByteArray>
#include <QStringList>

namespace cac {

// A configuration file that builds an image again, and what the image could
// not say: what `can-adapter-cli ccf` writes and the window's "Load from
// image (HEX)…" loads.
struct CcfFromImage {
    QByteArray ccf; // the 14 lines of a .ccf
    ImageDecoding decoding;
};

// Decodes the 1140-byte image into a configuration in its start-up state
// (with the catalogue's variable list) and writes that configuration's file.
CcfFromImage ImageToCcf(const QByteArray& image, const VariableCatalogue& catalogue,
                        const QStringList& variableList);

} // namespace cac
