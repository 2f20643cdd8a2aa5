#pragma once

// Reading a configuration image back from an Intel HEX file: for show and ccf.

#include "catalogue/VariableCatalogue.h"
#include "image/ImageDecoder.h"

#include <QByteArray>
#include <QString>

namespace cac {
class ConfigModel;
}

namespace cac::cli {

// Whether file bytes are Intel HEX rather than a .ccf: the first character
// that is not a blank or a line end is ":".
bool LooksLikeIntelHex(const QByteArray& bytes);

// The 1140-byte image the HEX text holds. A HEX fault is reported with its
// line. Returns ExitOk or ExitFileError.
int ReadImageHex(const QString& path, const QByteArray& hexText, QByteArray& image);

// The image of the HEX text (ReadImageHex), then the catalogue, then the image
// decoded into `model` (in its start-up state). Returns ExitOk or
// ExitFileError.
int DecodeImageHex(const QString& path, const QByteArray& hexText, const QString& cataloguePath,
                   ConfigModel& model, CatalogueLoad& catalogue, ImageDecoding& decoding);

} // namespace cac::cli
