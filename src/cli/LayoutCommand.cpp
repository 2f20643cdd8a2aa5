// can-adapter-cli layout: each frame the channels read, drawn as 8 bytes by
// 8 bits with the channel numbers in the cells.

#include "bitmap/LayoutText.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "common/HexText.h"

#include <cstdio>
#include <optional>

namespace cac::cli {

int RunLayoutCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("layout");
    ConfigCommandLine line(
        command,
        QStringLiteral(
            "Draws each frame the channels of CONFIG.ccf read as 8 bytes (rows 0 to 7) by 8 bits "
            "(columns 7 to 0), with the channel numbers in the bits they take: \"**\" where two "
            "channels read the same bits of the same frames, \"++\" where their filters take them "
            "from different frames."));
    const QCommandLineOption idOption(QStringLiteral("id"),
                                      QStringLiteral("Only the frame with identifier ID "
                                                     "(0x100 or 256)."),
                                      QStringLiteral("ID"));
    line.parser.addOptions({idOption, line.catalogueOption, line.obdOption});
    if (const int exit = line.parse(arguments); exit >= 0)
        return exit;
    const QString& config = line.config();
    std::optional<std::int32_t> onlyId;
    if (line.parser.isSet(idOption)) {
        onlyId = ParseIdentifier(line.parser.value(idOption));
        if (!onlyId)
            return UsageError(command, QStringLiteral("--id takes an identifier such as 0x100 "
                                                      "or 256, not '%1'")
                                           .arg(line.parser.value(idOption)));
    }

    if (const int exit = line.load(); exit != ExitOk)
        return exit;
    const ConfigModel& model = line.model;

    QStringList frames;
    for (const FrameChannels& frame : UsedFrames(model)) {
        if (!onlyId || frame.id == *onlyId)
            frames.append(FrameLayoutText(model, frame));
    }
    if (frames.isEmpty()) {
        if (onlyId) {
            PrintError(QStringLiteral("%1: no channel in use reads identifier 0x%2")
                           .arg(config, HexDigits(*onlyId)));
            return ExitFileError;
        }
        std::printf("%s: no channel in use\n", qUtf8Printable(config));
        return ExitOk;
    }
    std::printf("%s", qUtf8Printable(frames.join(u'\n')));
    return ExitOk;
}

} // namespace cac::cli
