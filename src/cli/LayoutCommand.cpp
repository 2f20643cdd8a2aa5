// can-adapter-cli layout: each frame the channels read, drawn as 8 bytes by
// 8 bits with the channel numbers in the cells.

#include "bitmap/LayoutText.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"

#include <QCommandLineParser>

#include <cstdio>
#include <optional>

namespace cac::cli {
namespace {

// "0x100" or "256"; nothing else is an identifier.
std::optional<std::int32_t> parseIdentifier(const QString& text) {
    bool ok = false;
    const qint64 value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                             ? text.mid(2).toLongLong(&ok, 16)
                             : text.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > 0x1FFFFFFF || text.contains(u'+') || text.contains(u'-'))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

int RunLayoutCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("layout");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws each frame the channels of CONFIG.ccf read as 8 bytes (rows 0 to 7) by 8 bits "
        "(columns 7 to 0), with the channel numbers in the bits they take: \"**\" where two "
        "channels read the same bits of the same frames, \"++\" where their filters take them "
        "from different frames."));
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"),
                                 QStringLiteral("The configuration file to load."));
    const QCommandLineOption idOption(QStringLiteral("id"),
                                      QStringLiteral("Only the frame with identifier ID "
                                                     "(0x100 or 256)."),
                                      QStringLiteral("ID"));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    parser.addOptions({idOption, catalogueOption, obdOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;
    QString config;
    if (const int exit = SingleArgument(parser, command, QStringLiteral("CONFIG.ccf"),
                                        {catalogueOption}, config);
        exit != ExitOk)
        return exit;
    std::optional<std::int32_t> onlyId;
    if (parser.isSet(idOption)) {
        onlyId = parseIdentifier(parser.value(idOption));
        if (!onlyId)
            return UsageError(command, QStringLiteral("--id takes an identifier such as 0x100 "
                                                      "or 256, not '%1'")
                                           .arg(parser.value(idOption)));
    }

    ConfigModel model;
    CatalogueLoad catalogue;
    if (const int exit = LoadConfiguration(config, parser.value(catalogueOption),
                                           parser.isSet(obdOption), model, catalogue);
        exit != ExitOk)
        return exit;

    QStringList frames;
    for (const FrameChannels& frame : UsedFrames(model)) {
        if (!onlyId || frame.id == *onlyId)
            frames.append(FrameLayoutText(model, frame));
    }
    if (frames.isEmpty()) {
        if (onlyId) {
            PrintError(QStringLiteral("%1: no channel in use reads identifier 0x%2")
                           .arg(config, QString::number(*onlyId, 16).toUpper()));
            return ExitFileError;
        }
        std::printf("%s: no channel in use\n", qUtf8Printable(config));
        return ExitOk;
    }
    std::printf("%s", qUtf8Printable(frames.join(u'\n')));
    return ExitOk;
}

} // namespace cac::cli
