#pragma once

#include "audio/TWaveFormatOb.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace trx {

// One converter of the codec list with its details and every format it
// offers. Texts start empty and numbers 0. Versions pack major in bits 24..31,
// minor in 16..23 and build in 0..15.
class TCodecDriver {
public:
    std::uint32_t DriverId = 0;
    bool SupportsAsync = false;
    // Converts between different format tags.
    bool SupportsDifferentTags = false;
    // Converts within one format tag.
    bool SupportsSameTag = false;
    bool SupportsFiltering = false;
    std::string ShortName;
    std::string LongName;
    std::string Copyright;
    std::string Licensing;
    std::string Features;
    std::uint32_t FormatTagCount = 0;
    std::uint32_t FilterTagCount = 0;
    std::uint16_t ManufacturerId = 0;
    std::uint16_t ProductId = 0;
    std::uint32_t AcmVersion = 0;
    std::uint32_t DriverVersion = 0;
    // (description, format) in enumeration order.
    std::vector<std::pair<std::string, TWaveFormatOb>> Formats;
    // Decimal texts of the formats' tags, sorted as text, no duplicates
    // ("17" before "2").
    std::vector<std::string> Tags;

    // Appends a format and records its tag.
    void AddFormat(std::string description, const TWaveFormatOb& format);
    [[nodiscard]] bool HasTag(const std::string& tag) const;
};

} // namespace trx
