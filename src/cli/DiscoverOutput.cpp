// What discover prints of its findings: the identifiers and their fields as
// text lines or as one JSON object.

#include "cli/DiscoverOutput.h"

#include "cli/DiscoverReferences.h"
#include "cli/JsonText.h"
#include "dbc/DatabaseText.h"
#include "discover/DiscoveryTexts.h"

#include <cstdio>

namespace cac::cli {

void PrintDiscoveryText(const DiscoveryResult& result) {
    for (const DiscoveredIdentifier& identifier : result.identifiers) {
        std::printf("%s (%s): %lld frames, period %s ms, jitter %s ms, %s bytes",
                    qUtf8Printable(IdentifierOnBusText(identifier)),
                    qUtf8Printable(IdentifierLengthText(identifier.key)),
                    static_cast<long long>(identifier.frames),
                    qUtf8Printable(MillisecondsText(identifier.period)),
                    qUtf8Printable(MillisecondsText(identifier.jitter)),
                    qUtf8Printable(LengthsText(identifier.lengths)));
        const QString order = IdentifierOrderText(identifier);
        if (!order.isEmpty())
            std::printf(", %s", qUtf8Printable(order));
        std::printf("\n");
        for (const DiscoveredField& field : identifier.fields) {
            if (field.kind == FieldKind::Constant) {
                std::printf("  %-26s %-10s constant\n", qUtf8Printable(field.signal.name),
                            qUtf8Printable(SignalLayoutText(field.signal)));
                continue;
            }
            const QString kind = FieldKindText(field);
            const QString unseen = FieldUnseenText(field);
            std::printf(
                "  %-26s %-10s %s, confidence %s, raw %s; channel: %s%s\n",
                qUtf8Printable(field.signal.name), qUtf8Printable(SignalLayoutText(field.signal)),
                qUtf8Printable(kind), qUtf8Printable(ConfidenceText(field.confidence)),
                qUtf8Printable(RawRangeText(field)), qUtf8Printable(FieldRowText(field.row)),
                unseen.isEmpty() ? "" : qUtf8Printable(QStringLiteral("; ") + unseen));
        }
    }
    for (const QString& text : BusOrderTexts(result))
        std::printf("%s\n", qUtf8Printable(text));
    std::printf("%lld identifiers, %lld frames\n",
                static_cast<long long>(result.identifiers.size()),
                static_cast<long long>(result.frames));
}

bool PrintDiscoveryJson(const DiscoveryResult& result, const DiscoveryCandidates& candidates,
                        const QList<ReferenceMatches>& references) {
    JsonText json(stdout);
    json.beginObject();
    const auto busOrder = [&](const BusOrder& bus) {
        json.key("intelIdentifiers").value(bus.intel);
        json.key("motorolaIdentifiers").value(bus.motorola);
        json.key("order").value(bus.order ? FieldOrderName(*bus.order)
                                          : QStringLiteral("undecided"));
    };
    // The first bus's as the only one's; each bus's too where there are more.
    json.key("busByteOrder").beginObject();
    busOrder(result.busOrder());
    json.endObject();
    if (result.buses.size() > 1) {
        json.key("busByteOrders").beginArray();
        for (std::size_t b = 0; b < result.busOrders.size(); ++b) {
            json.beginObject();
            json.key("bus").value(result.buses.value(qsizetype(b)));
            busOrder(result.busOrders[b]);
            json.endObject();
        }
        json.endArray();
    }
    json.key("frames").value(static_cast<double>(result.frames));
    json.key("identifiers").beginArray();
    for (const DiscoveredIdentifier& identifier : result.identifiers) {
        json.beginObject();
        if (!identifier.bus.isEmpty())
            json.key("bus").value(identifier.bus);
        json.key("byteOrder").value(FieldOrderName(identifier.order));
        json.key("byteOrderFromBus").value(identifier.orderFromBus);
        json.key("fields").beginArray();
        for (const DiscoveredField& field : identifier.fields) {
            json.beginObject();
            if (!field.algorithm.isEmpty())
                json.key("algorithm").value(field.algorithm);
            json.key("byteOrderUndecided").value(field.orderUndecided);
            if (!field.checksumNote.isEmpty())
                json.key("checksumNote").value(field.checksumNote);
            json.key("confidence").value(field.confidence);
            json.key("kind").value(FieldKindName(field.kind));
            json.key("layout").value(SignalLayoutText(field.signal));
            json.key("length").value(field.length());
            json.key("maxRaw").value(field.maxRaw);
            json.key("minRaw").value(field.minRaw);
            json.key("name").value(field.signal.name);
            json.key("onesCode").value(field.onesCode);
            if (field.page >= 0)
                json.key("page").value(field.page);
            else
                json.key("page").null();
            json.key("pageNumber").value(field.pageNumber);
            json.key("row").value(field.row.settingsText());
            json.key("signUndecided").value(field.signUndecided);
            json.key("signed").value(field.isSigned);
            json.key("unseenTopBits").value(field.unseenTopBits);
            json.key("widthUndecided").value(field.widthUndecided);
            json.endObject();
        }
        json.endArray();
        json.key("frames").value(static_cast<double>(identifier.frames));
        json.key("id").value(IdentifierText(identifier.key));
        json.key("idLength").value(IdentifierLengthText(identifier.key));
        json.key("jitter").value(identifier.jitter);
        json.key("lengths").beginArray();
        for (const int length : identifier.lengths)
            json.value(length);
        json.endArray();
        json.key("period").value(identifier.period);
        json.endObject();
    }
    json.endArray();
    if (!references.isEmpty())
        WriteMatchesJson(json, candidates, references);
    json.endObject();
    return json.finish();
}

} // namespace cac::cli
