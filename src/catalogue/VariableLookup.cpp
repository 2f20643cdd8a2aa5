#include "catalogue/VariableLookup.h"

#include "common/TextBlanks.h"

namespace cac {
namespace {

// The part between the first "{" and the first "}", when the "}" follows the
// "{"; otherwise the text unchanged.
QStringView braceContent(QStringView text) {
    const qsizetype open = text.indexOf(u'{');
    if (open < 0)
        return text;
    const qsizetype close = text.indexOf(u'}');
    if (close <= open)
        return text;
    return text.mid(open + 1, close - open - 1);
}

struct IdGroup {
    std::int32_t lowerBound;
    const char* units;
    float resolution;
    std::uint8_t groupCode;
};

// Tested from the top down; identifier 1500 itself is special-cased below.
constexpr IdGroup Groups[] = {
    {4000, "[no units]", 0.01f, 0x5F},
    {3500, "[mBar]", 1.0f, 0x5E},
    {3000, "[degrees]", 0.1f, 0x5D},
    {2500, "[milli-seconds (scaled by exponent)]", 1.0f, 0x4B},
    {2000, "[%]", 0.1f, 0x4A},
    {1500, "[Hz]", 0.1f, 0x49},
    {1000, "[degrees Celsius]", 0.1f, 0x48},
};
constexpr std::int32_t RpmId = 1500;

const IdGroup* groupOf(std::int32_t id) {
    for (const IdGroup& group : Groups) {
        if (id >= group.lowerBound)
            return &group;
    }
    return nullptr;
}

} // namespace

std::int32_t FindVariableIndex(const VariableCatalogue& catalogue, const QString& cellText) {
    QStringView key = cellText;
    if (const qsizetype bracket = key.indexOf(u'['); bracket >= 0)
        key.truncate(bracket);
    // The braces are found before upper-casing rather than after: upper-casing
    // maps each character on its own and never makes or moves a brace.
    return catalogue.findDefaultName(braceContent(TrimBlanks(key)));
}

QString GetVariableUnits(std::int32_t id) {
    if (id == RpmId)
        return QStringLiteral("[RPM]");
    const IdGroup* group = groupOf(id);
    return group ? QString::fromLatin1(group->units) : QStringLiteral("[Invalid]");
}

float GetVariableResolution(std::int32_t id) {
    if (id == RpmId)
        return 1.0f;
    const IdGroup* group = groupOf(id);
    return group ? group->resolution : 1.0f;
}

QByteArray GetLoggerChannelCode(std::int32_t id) {
    QByteArray code(2, '\0');
    const IdGroup* group = groupOf(id);
    if (!group)
        return code;
    code[0] = static_cast<char>(group->groupCode);
    const std::int64_t position = static_cast<std::int64_t>(id) - group->lowerBound + 1;
    if (position <= 255) // a position that does not fit the byte leaves it 0
        code[1] = static_cast<char>(position);
    return code;
}

int SelectMatchingItem(const QStringList& entries, const QString& cellText, int current) {
    const QStringView wanted = braceContent(cellText);
    int selected = current;
    for (int i = 0; i < entries.size(); ++i) {
        if (braceContent(entries.at(i)) == wanted)
            selected = i; // the last match wins
    }
    return selected;
}

} // namespace cac
