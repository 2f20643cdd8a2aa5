#include "catalogue/VariableLookup.h"

#include "common/TextBlanks.h"

namespace cac {
namespace {

// The lookup compares up to this index; the catalogue is expected to reach it.
constexpr std::int32_t LastSearchedId = 8000;

// The part between the first "{" and the first "}", when the "}" follows the
// "{"; otherwise the text unchanged.
QString braceContent(const QString& text) {
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

// Whether the default name, without surrounding blanks and upper-cased,
// equals the key. Plain ASCII names are compared in place, since the lookup
// runs over thousands of entries for every channel of every image.
bool nameMatchesKey(const QString& name, const QString& key) {
    const QStringView trimmed = TrimBlanks(name);
    bool ascii = true;
    for (const QChar ch : trimmed)
        ascii = ascii && ch.unicode() < 0x80;
    if (!ascii)
        return trimmed.toString().toUpper() == key;
    if (trimmed.size() != key.size())
        return false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        char16_t ch = trimmed.at(i).unicode();
        if (ch >= u'a' && ch <= u'z')
            ch = static_cast<char16_t>(ch - u'a' + u'A');
        if (ch != key.at(i).unicode())
            return false;
    }
    return true;
}

} // namespace

std::int32_t FindVariableIndex(const VariableCatalogue& catalogue, const QString& cellText) {
    QString key = cellText;
    const qsizetype bracket = key.indexOf(u'[');
    if (bracket >= 0)
        key.truncate(bracket);
    key = braceContent(TrimBlanks(key).toString().toUpper());

    const qsizetype last = std::min<qsizetype>(LastSearchedId, catalogue.size() - 1);
    for (qsizetype id = 0; id <= last; ++id) {
        if (nameMatchesKey(catalogue.at(id).defaultName, key))
            return static_cast<std::int32_t>(id);
    }
    return -1;
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
    const QString wanted = braceContent(cellText);
    int selected = current;
    for (int i = 0; i < entries.size(); ++i) {
        if (braceContent(entries.at(i)) == wanted)
            selected = i; // the last match wins
    }
    return selected;
}

} // namespace cac
