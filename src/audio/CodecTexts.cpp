#include "audio/CodecTexts.h"

#include <cstdio>

namespace trx {

namespace {

// "%u.%.02u" of major and minor.
std::string MajorMinor(std::uint32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%.02u", VersionMajor(version), VersionMinor(version));
    return text;
}

} // namespace

std::string ConverterVersionText(std::uint32_t version) {
    const std::uint32_t build = VersionBuild(version);
    char text[80];
    std::snprintf(text, sizeof text, "ACM Version: %u.%.02u build %u %s", VersionMajor(version),
                  VersionMinor(version), build, build == 0 ? "(Retail)" : "");
    return text;
}

std::string CodecCountText(std::optional<std::uint32_t> count) {
    if (!count)
        return "Unable to count codecs";
    return "Number of codecs: " + std::to_string(*count);
}

std::string DriverVersionText(std::uint32_t version) {
    return "Version: " + MajorMinor(version);
}

std::string DesignedForVersionText(std::uint32_t version) {
    return "Designed for ACM version: " + MajorMinor(version);
}

std::string DriverIdText(std::uint32_t driverId) {
    char text[24];
    std::snprintf(text, sizeof text, "ID: 0x%8.8x", driverId);
    return text;
}

std::string FormatTypesText(std::uint32_t formatTagCount, const std::vector<std::string>& tags) {
    std::string text = "Number of format types: " + std::to_string(formatTagCount);
    if (!tags.empty()) {
        text += " ( ";
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (i > 0)
                text += ", ";
            text += tags[i];
        }
        text += " )";
    }
    return text;
}

} // namespace trx
