#include "catalogue/StringArena.h"

#include <algorithm>

namespace cac {

void StringArena::newBlock(qsizetype maxLength) {
    seal();
    const qsizetype units = std::max(BlockUnits, maxLength + 1 + Overrun);
    auto [header, data] = QTypedArrayData<char16_t>::allocate(units);
    Q_CHECK_PTR(header);
    // Every string takes at least two units, its text and a NUL: the block
    // holds at most units / 2 of them. Their references are set at once, and
    // those not needed are given back when the block is sealed.
    m_unmade = units / 2;
    header->ref_.storeRelaxed(static_cast<int>(m_unmade + 1));
    m_owner = QString::DataPointer(header, data, 0);
    m_end = data;
    m_blockEnd = data + units;
}

void StringArena::seal() {
    // The arena still holds its own reference, so this never frees the block.
    if (m_owner.d_ptr() && m_unmade > 0)
        m_owner.d_ptr()->ref_.fetchAndSubRelaxed(static_cast<int>(m_unmade));
    m_unmade = 0;
    m_owner = {};
}

} // namespace cac
