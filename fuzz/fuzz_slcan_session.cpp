// What an SLCAN adapter sends, as arbitrary bytes: the frames and the count
// of lines that are none are the same whether the bytes come at once or one
// by one, and every frame is one a bus can carry.
#include "FuzzCheck.h"
#include "live/SlcanProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    cac::slcan::Session whole(6);
    const QList<cac::CanFrame> frames = whole.feed(bytes, 1.0);
    cac::slcan::Session piecewise(6);
    QList<cac::CanFrame> pieces;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        pieces += piecewise.feed(bytes.sliced(i, 1), 1.0);
    check(frames == pieces);
    check(whole.malformed() == piecewise.malformed());
    check(whole.refusal() == piecewise.refusal());
    for (const cac::CanFrame& f : frames) {
        check(f.length <= 8);
        check(busIdentifier(f));
        check(!f.remote || f.data == decltype(f.data){});
    }
    return 0;
}
