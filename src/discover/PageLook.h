#pragma once

// Paged frames: an identifier whose byte 0 takes a few values, a page number
// that sets the layout of the rest of the frame. Read over every frame, such
// a frame mixes its pages' layouts; each page is looked at on its own
// instead, and the fields it shows join the identifier's, multiplexed on
// byte 0.

#include "discover/SignalDiscovery.h"

#include <QList>

#include <functional>
#include <vector>

namespace cac {

// The values the identifier's byte 0 took when they are few (2 to
// MaxPages): a byte of few values may be a page number. More values are
// rather a quantity, and each page would hold too few frames to read.
constexpr int MaxPages = 8;
QList<int> PagesOf(const DiscoveredIdentifier& identifier);

// Plays the frames of the identifiers marked (by place in the result's
// identifiers), or more: the player may play every frame.
using IdentifiersPlayer =
    std::function<bool(const std::vector<bool>& identifiers, const FrameSink& sink)>;

// Looks at each page of each identifier whose byte 0 may be a page number
// (few values that turn as pages do, only flags and enumerations of the
// whole frame read it; not the frame of OBD answers, whose byte 0 is a
// length), each page analysed as an identifier of its own and paired with
// `pairing`'s references as the whole frames were. Where the pages show
// layouts of their own (a bit moves in one page and stays in another, or a
// page reads a value clearly better than the whole frame), a page's
// changing field joins the identifier's fields (DiscoveredField::page)
// unless the whole frame shows it alike, it reads byte 0, or it lies over a
// counter of the whole frame or a checksum whose algorithm holds there
// (those count every frame, a page sees only some). The whole frame's
// guesses over a page field's bits mixed the pages' layouts and leave; byte
// 0 becomes one field, the page number. Only the paged identifiers' frames
// are asked for.
void AddPageFields(DiscoveryResult& result, const IdentifiersPlayer& play,
                   const std::function<std::vector<ReferenceSeries>()>& pairing = {});

} // namespace cac
