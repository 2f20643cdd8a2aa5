#pragma once

#include "app/live/LiveCanSource.h"
#include "app/live/LiveInterfaces.h"
#include "app/preview/PreviewTexts.h"

#include <QString>

// What a live source made for `chosen` says when it will not open; a text of
// its own when none is made or it opens, so that a test comparing the words
// fails on either.
namespace cac::testing {

inline QString RefusalOpening(const app::LiveInterface& chosen) {
    const auto source = app::MakeLiveSource(chosen, 500000, {});
    if (!source)
        return QStringLiteral("(no source made)");
    QString error;
    if (source->open(&error))
        return QStringLiteral("(opened)");
    return error;
}

// PCAN-USB 1 as the live dialog names it, asked for whatever the dialog offers.
inline app::LiveInterface PcanUsb1() {
    return {
        app::LiveInterface::Kind::Pcan, app::texts::livePcanUsb(1), QStringLiteral("81"), {}, {}};
}

} // namespace cac::testing
