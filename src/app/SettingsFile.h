#pragma once

#include "common/ConversionSettings.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace trx {

// A settings file holds the ten conversion parameters as signed 32-bit
// little-endian integers, 40 bytes: the six track-bar positions (tuning,
// polyphony, chord, neighbour, minimum, fluctuation), then the four check
// boxes (phase, spike, loud start, spectrum) as 1 or 0.
inline constexpr int kSettingsValueCount = 10;
inline constexpr int kSettingsTrackBarCount = 6;

// The message of a file that ends before its tenth value.
inline constexpr const char* kShortSettingsFileMessage = "Read beyond end of file";

[[nodiscard]] std::array<std::int32_t, kSettingsValueCount>
SettingsToValues(const ConversionSettings& settings);

// The 40 bytes of a settings file.
[[nodiscard]] std::array<std::uint8_t, 4 * kSettingsValueCount>
SettingsFileBytes(const ConversionSettings& settings);

// Writes the file through a temporary file in the same folder, so a failure
// leaves an existing file whole. Throws SystemError.
void WriteSettingsFile(const std::string& path, const ConversionSettings& settings);

// Applies value number index (0..9, file order) as the window's control
// would: a track-bar value is limited to the bar's range, a check box is
// checked only by exactly 1. Another index throws TremolundrixError.
void ApplySettingsValue(ConversionSettings& settings, int index, std::int32_t value);

// Reads a settings file one value at a time, so that each can be applied
// before the next is read. Bytes after the tenth value are ignored.
class SettingsFileReader {
public:
    // Throws SystemError when the file cannot be opened, TremolundrixError
    // when it is not a regular file (a folder, a FIFO, a device); neither
    // waits for a writer.
    explicit SettingsFileReader(const std::string& path);

    // The next value in file order, or nothing once all ten were read.
    // Throws TremolundrixError(kShortSettingsFileMessage) when the file ends
    // before the next value, SystemError when reading fails.
    [[nodiscard]] std::optional<std::int32_t> Next();
    // Index of the value the next call reads.
    [[nodiscard]] int NextIndex() const { return nextIndex_; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string path_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    int nextIndex_ = 0;
};

// Loads a settings file into settings value by value; on a failure the
// values applied before it stay applied and the error is thrown.
void ReadSettingsFile(const std::string& path, ConversionSettings& settings);

} // namespace trx
