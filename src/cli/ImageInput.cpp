#include "cli/ImageInput.h"

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "output/IntelHexReader.h"

namespace cac::cli {

bool LooksLikeIntelHex(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == ':';
    }
    return false;
}

int ReadImageHex(const QString& path, const QByteArray& hexText, QByteArray& image) {
    HexFault fault;
    std::optional<QByteArray> read = ReadIntelHexImage(hexText, &fault);
    if (!read) {
        PrintError(QStringLiteral("%1:%2: not a configuration image: %3")
                       .arg(path)
                       .arg(fault.line)
                       .arg(fault.message));
        return ExitFileError;
    }
    image = std::move(*read);
    return ExitOk;
}

int DecodeImageHex(const QString& path, const QByteArray& hexText, const QString& cataloguePath,
                   ConfigModel& model, CatalogueLoad& catalogue, ImageDecoding& decoding) {
    QByteArray image;
    if (const int exit = ReadImageHex(path, hexText, image); exit != ExitOk)
        return exit;
    if (const int exit = LoadCatalogue(cataloguePath, catalogue); exit != ExitOk)
        return exit;
    model.setVariableList(catalogue.variableList);
    decoding = DecodeConfigImage(image, catalogue.catalogue, model);
    return ExitOk;
}

} // namespace cac::cli
