#include "info/TGetVersionInfoFromFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

namespace trx {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

TGetVersionInfoFromFile::TGetVersionInfoFromFile(VersionResource resource)
    : resource_(std::move(resource)) {}

void TGetVersionInfoFromFile::SetFileName(const std::string& fileName) {
    strings_.clear();
    categories_.clear();
    std::error_code error;
    if (fileName.empty() || !std::filesystem::exists(fileName, error)) {
        fileName_.clear();
        return;
    }
    fileName_ = fileName;
    for (std::size_t i = 0; i < kVersionKeys.size(); ++i) {
        if (!resource_[i].empty()) {
            categories_.emplace_back(kVersionKeys[i]);
            strings_.push_back(resource_[i]);
        }
    }
}

std::string TGetVersionInfoFromFile::GetVersionString(std::string_view key) const {
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        if (SameIgnoringCase(categories_[i], key)) {
            return strings_[i];
        }
    }
    return {};
}

std::string ReadProgramVersion(const std::string& programFile) {
    TGetVersionInfoFromFile info;
    info.SetFileName(programFile);
    return info.GetVersionString("FileVersion");
}

} // namespace trx
