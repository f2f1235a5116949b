#pragma once

#include <array>
#include <string>
#include <string_view>

namespace trx {

// The keys of a version resource, in the order they are looked up.
inline constexpr std::array<std::string_view, 8> kVersionKeys = {
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

// The values of a version resource, parallel to kVersionKeys; an empty
// value stands for one the resource does not hold.
using VersionResource = std::array<std::string, kVersionKeys.size()>;

// This program's version resource, fixed at build time: "FileVersion" and
// "ProductVersion" are the project version in dotted four-number form.
[[nodiscard]] VersionResource BuildVersionResource();

} // namespace trx
