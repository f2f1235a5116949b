#pragma once

#include "info/VersionResource.h"

#include <string>
#include <string_view>
#include <vector>

namespace trx {

// Reads the string table of a program file's version resource. This build
// has no resources inside its files: the resource is the one fixed at build
// time, and it stands for every existing file named.
class TGetVersionInfoFromFile {
public:
    explicit TGetVersionInfoFromFile(VersionResource resource = BuildVersionResource());

    // Clears both lists; a file that does not exist leaves FileName empty,
    // otherwise the non-empty values are listed in key order.
    void SetFileName(const std::string& fileName);
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    [[nodiscard]] const std::vector<std::string>& VersionStrings() const { return strings_; }
    [[nodiscard]] const std::vector<std::string>& VersionCategories() const { return categories_; }

    // The value listed for key, compared without regard to letter case;
    // empty when the key is not listed.
    [[nodiscard]] std::string GetVersionString(std::string_view key) const;

private:
    VersionResource resource_;
    std::string fileName_;
    std::vector<std::string> strings_;
    std::vector<std::string> categories_;
};

// The "FileVersion" of a program file's version resource; empty when the
// file does not exist.
[[nodiscard]] std::string ReadProgramVersion(const std::string& programFile);

} // namespace trx
