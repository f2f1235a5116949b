#include "app/SettingsFile.h"

#include "common/AtomicFile.h"
#include "common/Errors.h"
#include "common/FileKind.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace trx {

std::array<std::int32_t, kSettingsValueCount> SettingsToValues(const ConversionSettings& settings) {
    return {settings.TuningCents,           settings.Polyphony,
            settings.ChordThreshold,        settings.NeighbourThreshold,
            settings.MinimumComponent,      settings.AmplitudeFluctuation,
            settings.PhaseAnalysis ? 1 : 0, settings.SpikeRemoval ? 1 : 0,
            settings.LoudStart ? 1 : 0,     settings.DrawSpectrum ? 1 : 0};
}

std::array<std::uint8_t, 4 * kSettingsValueCount>
SettingsFileBytes(const ConversionSettings& settings) {
    std::array<std::uint8_t, 4 * kSettingsValueCount> bytes{};
    std::size_t at = 0;
    for (const std::int32_t value : SettingsToValues(settings)) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes[at++] = static_cast<std::uint8_t>(bits >> shift);
    }
    return bytes;
}

void WriteSettingsFile(const std::string& path, const ConversionSettings& settings) {
    WriteFileAtomically(path, SettingsFileBytes(settings));
}

void ApplySettingsValue(ConversionSettings& settings, int index, std::int32_t value) {
    if (index >= 0 && index < kSettingsTrackBarCount) {
        std::int32_t* const trackBars[kSettingsTrackBarCount] = {
            &settings.TuningCents,      &settings.Polyphony,
            &settings.ChordThreshold,   &settings.NeighbourThreshold,
            &settings.MinimumComponent, &settings.AmplitudeFluctuation};
        *trackBars[index] = ClampToRange(value, kTrackBarRanges[static_cast<std::size_t>(index)]);
        return;
    }
    const bool checked = value == 1;
    switch (index) {
    case 6:
        settings.PhaseAnalysis = checked;
        break;
    case 7:
        settings.SpikeRemoval = checked;
        break;
    case 8:
        settings.LoudStart = checked;
        break;
    case 9:
        settings.DrawSpectrum = checked;
        break;
    default:
        throw TremolundrixError("Settings value index out of range");
    }
}

namespace {

// Opens path for reading without waiting: a FIFO would block the open until
// a writer came, and a device such as /dev/zero never ends. Only a regular
// file is a settings file.
std::FILE* OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw SystemError(errno, path);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw SystemError(error, path);
    }
    if (const char* kind = NonRegularFileKind(status.st_mode)) {
        ::close(fd);
        throw TremolundrixError(std::filesystem::path(path).filename().string() + " is " + kind +
                                    ", not a settings file",
                                path);
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        throw SystemError(error, path);
    }
    return file;
}

} // namespace

SettingsFileReader::SettingsFileReader(const std::string& path)
    : path_(path)
    , file_(OpenRegularFile(path)) {}

std::optional<std::int32_t> SettingsFileReader::Next() {
    if (nextIndex_ >= kSettingsValueCount)
        return std::nullopt;
    std::uint8_t bytes[4];
    if (std::fread(bytes, 1, sizeof bytes, file_.get()) != sizeof bytes) {
        if (std::ferror(file_.get()))
            throw SystemError(errno != 0 ? errno : EIO, path_);
        throw TremolundrixError(kShortSettingsFileMessage, path_);
    }
    ++nextIndex_;
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[i];
    return static_cast<std::int32_t>(bits);
}

void ReadSettingsFile(const std::string& path, ConversionSettings& settings) {
    SettingsFileReader reader(path);
    for (;;) {
        const int index = reader.NextIndex();
        const std::optional<std::int32_t> value = reader.Next();
        if (!value)
            return;
        ApplySettingsValue(settings, index, *value);
    }
}

} // namespace trx
