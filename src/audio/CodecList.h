#pragma once

#include "audio/TCodecDriver.h"
#include "audio/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trx {

// The converters this build provides, each with every format it offers, and
// the search for one that converts a file's format to the analysis format.
// Rebuilt from scratch by every EnumerateCodecs.
class CodecList {
public:
    // Rebuilds the list and the version and count texts; true when the
    // converters could be listed.
    bool EnumerateCodecs();
    void ClearDrivers();

    [[nodiscard]] const std::vector<std::unique_ptr<TCodecDriver>>& Drivers() const {
        return drivers_;
    }
    // "ACM Version: 59.37 build 100 " (the decoder library's version).
    [[nodiscard]] const std::string& VersionText() const { return versionText_; }
    // "Number of codecs: 8" or "Unable to count codecs".
    [[nodiscard]] const std::string& CountText() const { return countText_; }

    // Rebuilds the list, then returns the identifier of the first driver whose
    // tags hold both formats' tags, which lists a format equal to each, and
    // whose two conversion flags say exactly whether the tags differ; 0 when
    // none does.
    [[nodiscard]] std::uint32_t FindConversionDriver(const WaveFormat& source,
                                                     const WaveFormat& target);

    // The first driver of drivers qualifying by that rule, or 0.
    [[nodiscard]] static std::uint32_t
    MatchConversionDriver(const std::vector<std::unique_ptr<TCodecDriver>>& drivers,
                          const WaveFormat& source, const WaveFormat& target);

private:
    std::vector<std::unique_ptr<TCodecDriver>> drivers_;
    std::string versionText_;
    std::string countText_;
};

} // namespace trx
