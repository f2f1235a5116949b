#include "audio/TCodecDriver.h"

#include <algorithm>

namespace trx {

void TCodecDriver::AddFormat(std::string description, const TWaveFormatOb& format) {
    const std::string tag = std::to_string(format.Decode().FormatTag);
    const auto at = std::lower_bound(Tags.begin(), Tags.end(), tag);
    if (at == Tags.end() || *at != tag)
        Tags.insert(at, tag);
    Formats.emplace_back(std::move(description), format);
}

bool TCodecDriver::HasTag(const std::string& tag) const {
    return std::binary_search(Tags.begin(), Tags.end(), tag);
}

} // namespace trx
