// Vars.cfg reader on arbitrary bytes: never reads past the end, never holds
// names the bytes could not describe (the entries of a table cut off early
// are empty), and reports a catalogue it could not read completely as corrupt.
#include "FuzzCheck.h"
#include "catalogue/VariableCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A catalogue entry is at least 75 bytes: 57 fixed bytes and nine empty strings.
constexpr qsizetype MinEntrySize = 75;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A deep copy: ASan then sees any read past the end of the input.
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bytes);

    check(!load.variableList.isEmpty() && load.variableList.first() == cac::DoNotUseText);
    // No upper index beyond what the largest catalogue file could hold, and
    // nothing named where the bytes end.
    check(load.catalogue.size() <= 64 * 1024 * 1024 / MinEntrySize);
    const qsizetype described = bytes.size() / MinEntrySize;
    for (qsizetype id = described; id < load.catalogue.size() && id < described + 1000; ++id)
        check(load.catalogue.at(id).defaultName.isEmpty() &&
              load.catalogue.at(id).userName.isEmpty());
    if (load.corrupt) {
        check(load.variableList.size() == 1);
        return 0;
    }
    // A valid file holds the signature after at least one entry.
    check(!load.catalogue.isEmpty());
    check(bytes.size() >= 4 + 8 + 4 + load.catalogue.size() * MinEntrySize + 4);
    // Listed: the named entries 1000 to 5049, in index order.
    qsizetype listed = 1;
    for (qsizetype id = 1000; id <= 5049 && id < load.catalogue.size(); ++id) {
        const cac::CatalogueEntry& entry = load.catalogue.at(id);
        if (entry.defaultName.isEmpty())
            continue;
        check(listed < load.variableList.size());
        check(load.variableList.at(listed) ==
              entry.userName + QStringLiteral(" {") + entry.defaultName + u'}');
        ++listed;
    }
    check(listed == load.variableList.size());
    return 0;
}
