#include "editor/EditConfinement.h"

#include "common/Constants.h"

#include <algorithm>

namespace trx {

std::int32_t ConfineStart(std::int32_t slice, std::int32_t length, std::int32_t sliceCount) {
    const std::int64_t latest = std::int64_t{sliceCount} - 1 - length;
    return static_cast<std::int32_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(slice, latest)));
}

std::optional<std::int32_t> LengthAfterDrag(std::int32_t start, std::int32_t length,
                                            std::int32_t pressSlice, std::int32_t slice,
                                            std::int32_t sliceCount) {
    const std::int64_t requested = std::int64_t{length} - pressSlice + slice;
    if (requested <= 0)
        return std::nullopt;
    const std::int64_t longest = std::int64_t{sliceCount} - 1 - start;
    return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::min(requested, longest)));
}

std::int16_t ConfineNote(int row, std::int32_t firstNoteBin) {
    constexpr int kTopBin = kNoteBins - 1;
    return static_cast<std::int16_t>(std::min(std::max(row, firstNoteBin), kTopBin));
}

} // namespace trx
