#include "discover/PageLook.h"

#include "discover/DiscoveryCandidates.h"

#include <QHash>

#include <algorithm>
#include <bitset>
#include <map>
#include <utility>

namespace cac {

namespace {

bool readsByteZero(const DiscoveredField& field) {
    return std::any_of(field.bits.begin(), field.bits.end(), [](int bit) { return bit < 8; });
}

bool inByteZero(const DiscoveredField& field) {
    return std::all_of(field.bits.begin(), field.bits.end(), [](int bit) { return bit < 8; });
}

std::bitset<64> bitsOf(const DiscoveredField& field) {
    std::bitset<64> out;
    for (const int bit : field.bits)
        out.set(std::size_t(bit));
    return out;
}

// Pages take turns: a page number changes at least every third frame
// (three pages sent in a row each change it at every frame; one page sent
// every other frame changes it at every frame too). A byte of few values
// held over many frames is a state, a quantity of its own (a cruise mode,
// a pedal switch), whose frames are laid out alike.
constexpr int PageTurnFrames = 3;

// Whether byte 0 may be a page number: it turns as pages do, only flags and
// enumerations of the whole frame read it, and none of them reaches beyond
// it. A counter there counts frames: its pages would be too alike to tell
// apart from the noise of reading fewer frames.
bool pageable(const DiscoveredIdentifier& identifier) {
    // One turn more: a log that ends inside a page's run misses its turn.
    if ((identifier.firstByteTurns + 1) * PageTurnFrames < identifier.firstBytePairs)
        return false;
    return std::none_of(
        identifier.fields.begin(), identifier.fields.end(), [](const DiscoveredField& f) {
            if (f.kind == FieldKind::Constant || !readsByteZero(f))
                return false;
            return (f.kind != FieldKind::Flag && f.kind != FieldKind::Enumeration) ||
                   !inByteZero(f);
        });
}

// A field laid out alike in a page and in the whole frame is the pages'
// own when the page shows its kind this much more clearly: each page holding
// its own value at its own level, the whole frame jumps between them. A
// quantity every page carries reads as clearly in the whole frame.
constexpr double ClearerInPage = 0.2;

// Whether two fields are laid out alike: of one kind over the same bits in
// the same order.
bool alike(const DiscoveredField& a, const DiscoveredField& b) {
    return a.kind == b.kind && a.bits == b.bits && a.order == b.order;
}

// Whether a page's field reads clearly better than the whole frame's field
// laid out alike: the pages hold values at levels of their own, and the
// whole frame jumps between them.
bool clearerThanWhole(const DiscoveredIdentifier& whole, const DiscoveredField& field) {
    return std::any_of(whole.fields.begin(), whole.fields.end(), [&](const DiscoveredField& f) {
        return alike(f, field) && field.confidence > f.confidence + ClearerInPage;
    });
}

// Whether two pages read a value over the same bits at levels that never
// meet: each page holds a value of its own there, not one they all carry.
bool levelsApart(const std::map<int, QList<DiscoveredField>>& byPage) {
    std::vector<const DiscoveredField*> fields;
    for (const auto& [page, pageFields] : byPage)
        for (const DiscoveredField& f : pageFields)
            fields.push_back(&f);
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t k = i + 1; k < fields.size(); ++k) {
            const DiscoveredField& a = *fields[i];
            const DiscoveredField& b = *fields[k];
            if (a.bits == b.bits && a.isSigned == b.isSigned &&
                (a.maxRaw < b.minRaw || b.maxRaw < a.minRaw))
                return true;
        }
    return false;
}

// Whether a page's field adds to what the whole frame shows.
bool addsToWhole(const DiscoveredIdentifier& whole, const DiscoveredField& field) {
    if (field.kind == FieldKind::Constant || readsByteZero(field))
        return false;
    const std::bitset<64> bits = bitsOf(field);
    return std::none_of(whole.fields.begin(), whole.fields.end(), [&](const DiscoveredField& f) {
        const bool asClear = alike(f, field) && field.confidence <= f.confidence + ClearerInPage;
        // A counter and a checksum whose algorithm holds are the whole
        // frame's; values that only scatter like a checksum may be the
        // pages' values mixed.
        const bool counts = f.kind == FieldKind::Counter ||
                            (f.kind == FieldKind::Checksum && !f.algorithm.isEmpty());
        return asClear || (counts && (bitsOf(f) & bits).any());
    });
}

// Byte 0 as the page number, in the identifier's own order.
DiscoveredField pageNumberOf(const DiscoveredIdentifier& identifier, const QList<int>& pages) {
    DiscoveredField number;
    for (int bit = 7; bit >= 0; --bit)
        number.bits.append(bit);
    number.order = identifier.order;
    number.kind = FieldKind::Enumeration;
    number.pageNumber = true;
    number.confidence = 1;
    number.values = identifier.frames;
    number.distinct = int(pages.size());
    number.minRaw = pages.front();
    number.maxRaw = pages.back();
    return number;
}

// The identifier with its pages' fields: the page number in place of the
// whole frame's fields in byte 0, the whole frame's changing fields over
// the pages' bits left out, the pages' fields after the whole frame's.
void joinPages(DiscoveredIdentifier& identifier, const QList<int>& pages,
               const std::map<int, QList<DiscoveredField>>& byPage) {
    std::bitset<64> paged;
    for (const auto& [page, fields] : byPage)
        for (const DiscoveredField& f : fields)
            paged |= bitsOf(f);
    QList<DiscoveredField> fields;
    bool numbered = false;
    for (const DiscoveredField& f : std::as_const(identifier.fields)) {
        if (inByteZero(f)) {
            if (!std::exchange(numbered, true))
                fields.append(pageNumberOf(identifier, pages));
            continue;
        }
        if (f.kind != FieldKind::Constant && (bitsOf(f) & paged).any())
            continue;
        fields.append(f);
    }
    if (!numbered)
        fields.prepend(pageNumberOf(identifier, pages));
    for (const auto& [page, pageFields] : byPage)
        fields += pageFields;
    identifier.fields = std::move(fields);
    DescribeMessage(identifier);
}

} // namespace

QList<int> PagesOf(const DiscoveredIdentifier& identifier) {
    const std::size_t count = identifier.firstBytes.count();
    if (count < 2 || count > std::size_t(MaxPages))
        return {};
    QList<int> pages;
    for (int value = 0; value < 256; ++value)
        if (identifier.firstBytes.test(std::size_t(value)))
            pages.append(value);
    return pages;
}

void AddPageFields(DiscoveryResult& result, const IdentifiersPlayer& play,
                   const std::function<std::vector<ReferenceSeries>()>& pairing) {
    // Each page of each paged identifier as an identifier of its own,
    // numbered 0, 1, ...: only its frames are played, so no number meets a
    // real identifier.
    struct Page {
        int identifier;
        int value;
    };
    QList<Page> paged;
    QHash<int, QList<int>> pagesOf; // by identifier: its page numbers
    IdentifierIndex firstPage;      // by IdentifierKey::packed(): its first page in `paged`
    for (int i = 0; i < result.identifiers.size(); ++i) {
        const DiscoveredIdentifier& identifier = result.identifiers[i];
        const QList<int> values = PagesOf(identifier);
        if (values.isEmpty() || CarriesObdAnswers(identifier.key) || !pageable(identifier))
            continue;
        firstPage.insert(identifier.key.packed(), int(paged.size()));
        pagesOf.insert(i, values);
        for (const int value : values)
            paged.append({i, value});
    }
    if (paged.isEmpty())
        return;
    std::vector<bool> played(std::size_t(result.identifiers.size()), false);
    for (const Page& page : paged)
        played[std::size_t(page.identifier)] = true;
    const FramePlayer pagedPlay = [&](const FrameSink& sink) {
        return play(played, [&](const CanFrame& frame) {
            if (frame.remote || frame.error || frame.length == 0)
                return;
            const int found = firstPage.find(IdentifierKey::of(frame).packed());
            if (found < 0)
                return;
            for (int k = found; k < paged.size() && paged[k].identifier == paged[found].identifier;
                 ++k) {
                if (paged[k].value != frame.data[0])
                    continue;
                CanFrame copy = frame;
                copy.id = std::uint32_t(k);
                copy.extended = false; // its bus stays: so does the bus's order
                sink(copy);
                return;
            }
        });
    };
    DiscoveryOptions options;
    options.pairing = pairing;
    options.busOrders = result.busOrders;
    const DiscoveryResult split = DiscoverSignals(pagedPlay, options);
    if (split.stopped || split.pairedNames != result.pairedNames)
        return;
    QHash<int, std::map<int, QList<DiscoveredField>>> found; // by identifier, by page
    // The evidence that the pages are laid out apart: some page's value
    // reads clearly better than the whole frame's, a bit moves in one page
    // and stays in another, or two pages hold a value over the same bits at
    // levels that never meet. Without it a byte 0 that turns (an
    // enumeration stepping round) sets no layout: each page shows the whole
    // frame's fields, only read from fewer frames, and the whole frame's
    // reading of them stands.
    QHash<int, bool> apart;
    QHash<int, std::pair<std::bitset<64>, std::bitset<64>>> moving; // in some page, in every page
    for (const DiscoveredIdentifier& part : split.identifiers) {
        const Page& page = paged[qsizetype(part.key.id)];
        const DiscoveredIdentifier& whole = result.identifiers[page.identifier];
        std::bitset<64> moved;
        for (const DiscoveredField& field : part.fields) {
            // Its top bits that never moved are widened over, not moving.
            if (field.kind != FieldKind::Constant && !readsByteZero(field))
                for (const int bit : field.bits.mid(field.unseenTopBits))
                    moved.set(std::size_t(bit));
            if (!addsToWhole(whole, field))
                continue;
            apart[page.identifier] |= clearerThanWhole(whole, field);
            DiscoveredField joined = field;
            joined.page = page.value;
            found[page.identifier][page.value].append(joined);
        }
        auto [any, every] = moving.value(page.identifier, {{}, std::bitset<64>().set()});
        moving.insert(page.identifier, {any | moved, every & moved});
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        const auto& [any, every] = moving.value(it.key());
        if (apart.value(it.key()) || any != every || levelsApart(it.value()))
            joinPages(result.identifiers[it.key()], pagesOf.value(it.key()), it.value());
    }
}

} // namespace cac
