#include "midi/FluidSynthSupport.h"

#include "common/Constants.h"
#include "common/Errors.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

namespace trx::fluid {

Settings NewSettings() {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, nullptr, nullptr);
    Settings settings(new_fluid_settings());
    if (!settings)
        throw TremolundrixError("FluidSynth could not create its settings");
    SetNumber(settings.get(), "synth.sample-rate", kSampleRate);
    // A 148 MB SoundFont must not be pinned in memory.
    SetInt(settings.get(), "synth.lock-memory", 0);
    return settings;
}

void SetString(fluid_settings_t* settings, const char* name, const std::string& value) {
    if (fluid_settings_setstr(settings, name, value.c_str()) != FLUID_OK)
        throw TremolundrixError("FluidSynth does not accept " + value + " for " + name);
}

void SetNumber(fluid_settings_t* settings, const char* name, double value) {
    if (fluid_settings_setnum(settings, name, value) != FLUID_OK)
        throw TremolundrixError("FluidSynth does not accept " + std::to_string(value) + " for " +
                                name);
}

void SetInt(fluid_settings_t* settings, const char* name, int value) {
    if (fluid_settings_setint(settings, name, value) != FLUID_OK)
        throw TremolundrixError("FluidSynth does not accept " + std::to_string(value) + " for " +
                                name);
}

Synth NewSynth(fluid_settings_t* settings, const std::string& soundFontFileName) {
    Synth synth(new_fluid_synth(settings));
    if (!synth)
        throw TremolundrixError("FluidSynth could not create its synthesizer");
    if (fluid_synth_sfload(synth.get(), soundFontFileName.c_str(), 1) == FLUID_FAILED)
        throw TremolundrixError("Unable to load the SoundFont " + soundFontFileName,
                                soundFontFileName);
    return synth;
}

std::vector<std::uint8_t> ReadMidiFile(const std::string& fileName) {
    errno = 0;
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw SystemError(errno != 0 ? errno : ENOENT, fileName);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    if (in.bad())
        throw SystemError(errno != 0 ? errno : EIO, fileName);
    // "MThd" and its length 6: anything else would only fail later, quietly,
    // inside the player.
    static constexpr std::uint8_t kHeader[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    if (bytes.size() < 14 || !std::equal(std::begin(kHeader), std::end(kHeader), bytes.begin()))
        throw TremolundrixError(fileName + " is not a Standard MIDI File", fileName);
    return bytes;
}

Player NewPlayer(fluid_synth_t* synth, const std::vector<std::uint8_t>& midiBytes) {
    Player player(new_fluid_player(synth));
    if (!player)
        throw TremolundrixError("FluidSynth could not create its MIDI player");
    if (fluid_player_add_mem(player.get(), midiBytes.data(), midiBytes.size()) != FLUID_OK)
        throw TremolundrixError("FluidSynth could not take the MIDI file");
    return player;
}

} // namespace trx::fluid
