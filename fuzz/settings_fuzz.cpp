// Feeds arbitrary bytes to the settings-file reader as a file, the way the
// window's Load Settings and the command line's --settings read it.

#include "FuzzFile.h"

#include "app/SettingsFile.h"
#include "cli/CommandLineParser.h"
#include "common/ConversionSettings.h"
#include "common/Errors.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckRanges(const trx::ConversionSettings& settings) {
    const auto values = trx::SettingsToValues(settings);
    for (std::size_t i = 0; i < trx::kSettingsTrackBarCount; ++i)
        if (values[i] < trx::kTrackBarRanges[i].Minimum ||
            values[i] > trx::kTrackBarRanges[i].Maximum)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const trx::fuzz::MemoryFile input(data, size);
    trx::ConversionSettings settings;
    bool complete = true;
    try {
        trx::ReadSettingsFile(input.Path(), settings);
    } catch (const trx::TremolundrixError&) {
        complete = false;
    }
    // Ten values make a whole file; anything shorter is a failure.
    if (complete != (size >= 4 * trx::kSettingsValueCount))
        std::abort();
    CheckRanges(settings);

    trx::ConversionSettings loaded;
    const std::string failure = trx::LoadSettingsFile(input.Path(), loaded);
    if (failure.empty() != complete)
        std::abort();
    CheckRanges(loaded);
    return 0;
}
