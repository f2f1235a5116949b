#pragma once

#include <filesystem>
#include <vector>

namespace trx {

// Shown when FindSoundFont finds nothing.
inline constexpr const char* kNoSoundFontMessage =
    "No General MIDI SoundFont found; install the package fluid-soundfont-gm";

// The folders where Debian and other Linux systems keep SoundFonts.
[[nodiscard]] std::vector<std::filesystem::path> StandardSoundFontFolders();

// The General MIDI SoundFont to play with: default-GM.sf2 (the system's
// choice), else FluidR3_GM.sf2, else TimGM6mb.sf2; each name is looked for in
// every folder, in order, before the next name. Only regular files count (a
// dangling link does not). Empty when none is found.
[[nodiscard]] std::filesystem::path
FindSoundFont(const std::vector<std::filesystem::path>& folders);

} // namespace trx
