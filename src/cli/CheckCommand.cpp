// can-adapter-cli check: what the image will get from a configuration, and
// why it is probably not what the settings mean, one finding a line.

#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"
#include "cli/CliCommon.h"

#include <cstdio>

namespace cac::cli {

int RunCheckCommand(const QStringList& arguments) {
    ConfigCommandLine line(
        CommandNamed("check"),
        QStringLiteral(
            "Explains what the configuration image of CONFIG.ccf will get and why it is probably "
            "not what the settings mean: one finding a line, then a summary. Exits with 3 when "
            "there is an error (with --strict, also a warning)."),
        QStringLiteral("The configuration file to check."));
    const QCommandLineOption strictOption(QStringLiteral("strict"),
                                          QStringLiteral("Warnings count as errors."));
    line.parser.addOptions({line.catalogueOption, line.obdOption, strictOption});
    if (const int exit = line.parseAndLoad(arguments); exit >= 0)
        return exit;
    const QString& path = line.config();

    const QList<Finding> findings = CheckConfiguration(line.model, line.catalogue.catalogue);
    for (const Finding& finding : findings)
        std::printf("%s\n", qUtf8Printable(FindingLine(path, finding)));
    std::printf("%s: %s\n", qUtf8Printable(path),
                qUtf8Printable(findings.isEmpty() ? QStringLiteral("no findings")
                                                  : FindingSummary(findings)));
    const bool failed =
        CountFindings(findings, Severity::Error) > 0 ||
        (line.parser.isSet(strictOption) && CountFindings(findings, Severity::Warning) > 0);
    return failed ? ExitFindings : ExitOk;
}

} // namespace cac::cli
