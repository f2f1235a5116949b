#include "midi/SoundFontSearch.h"

#include <system_error>

namespace trx {

std::vector<std::filesystem::path> StandardSoundFontFolders() {
    return {"/usr/share/sounds/sf2", "/usr/share/soundfonts", "/usr/local/share/sounds/sf2",
            "/usr/local/share/soundfonts"};
}

std::filesystem::path FindSoundFont(const std::vector<std::filesystem::path>& folders) {
    for (const char* name : {"default-GM.sf2", "FluidR3_GM.sf2", "TimGM6mb.sf2"}) {
        for (const auto& folder : folders) {
            std::error_code error;
            const std::filesystem::path candidate = folder / name;
            if (std::filesystem::is_regular_file(candidate, error))
                return candidate;
        }
    }
    return {};
}

} // namespace trx
