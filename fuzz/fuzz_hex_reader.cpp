// The Intel HEX reader on arbitrary text, and the image decoder on what it
// reads. Input that does not start with ":" is taken as the raw image bytes
// (cut or padded with FF to 1140), so the decoder sees every kind of image,
// not only those wrapped in valid HEX.
#include "FuzzCheck.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A few variables, one beyond position 255 of its group, and a name twice
// (the later one cannot be chosen). Small, so that look-ups stay quick.
const cac::VariableCatalogue& Catalogue() {
    static const cac::VariableCatalogue catalogue(
        1301, {{1000, {QStringLiteral("OILT"), QStringLiteral("Oil temp")}},
               {1001, {QStringLiteral("ECT"), QStringLiteral("Coolant temp")}},
               {1002, {QStringLiteral("OILT"), QStringLiteral("Second oil temp")}},
               {1300, {QStringLiteral("FAR"), QStringLiteral("Far temp")}}});
    return catalogue;
}

void checkDecoding(const QByteArray& image) {
    cac::ConfigModel decoded;
    const cac::ImageDecoding decoding = cac::DecodeConfigImage(image, Catalogue(), decoded);
    bool errors = false;
    for (const cac::Finding& finding : decoding.findings)
        errors = errors || finding.severity == cac::Severity::Error;
    // Settings that do not build the image again always say why.
    check(decoding.identical == !errors);
    if (!decoding.identical)
        return;
    // The settings build the image again (the decoder checked that) and so
    // does the file they save, with OBD mode switched on as "hex --obd" does.
    cac::ConfigModel reloaded;
    check(cac::ApplyCcf(reloaded, cac::SerializeCcf(decoded)).channelColumnsApplied == 12);
    if (decoding.obdMode)
        reloaded.setObdModeEnabled(true);
    check(cac::BuildConfigImage(reloaded, Catalogue()) == image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!bytes.startsWith(':')) {
        QByteArray image = bytes.left(cac::ConfigImageSize);
        image.append(QByteArray(cac::ConfigImageSize - image.size(), static_cast<char>(0xFF)));
        checkDecoding(image);
        return 0;
    }
    cac::HexFault fault;
    const std::optional<QByteArray> image = cac::ReadIntelHexImage(bytes, &fault);
    if (!image) {
        check(!fault.message.isEmpty());
        check(fault.line >= 1 && fault.line <= bytes.count('\n') + bytes.count('\r') + 1);
        return 0;
    }
    check(image->size() == cac::ConfigImageSize);
    check(cac::ReadIntelHexImage(cac::IntelHexText(*image)) == image);
    checkDecoding(*image);
    return 0;
}
