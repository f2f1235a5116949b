#include "app/FileNames.h"

#include <filesystem>

namespace trx {
namespace fs = std::filesystem;

std::string DefaultMidiName(const std::string& wavPath) {
    const fs::path path(wavPath);
    const std::string name = path.filename().string();
    const std::string extension = path.extension().string();
    const std::string midiName =
        extension.empty() ? name + ".mid" : name.substr(0, name.find(extension) + 1) + "mid";
    return (path.parent_path() / midiName).string();
}

std::string ProposedSettingsName(const std::string& midiPath) {
    const fs::path path(midiPath);
    std::string name = path.filename().string();
    const std::string extension = path.extension().string();
    if (!extension.empty())
        name.erase(name.find(extension), extension.size());
    return (path.parent_path() / (name + ".trs")).string();
}

} // namespace trx
