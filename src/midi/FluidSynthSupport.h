#pragma once

// Owning handles and shared steps for the FluidSynth player and the offline
// renderer. Only src/midi includes this header.

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trx::fluid {

struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};
// Delete only after the audio driver or renderer that drives the synth.
struct PlayerDeleter {
    void operator()(fluid_player_t* player) const { delete_fluid_player(player); }
};
struct AudioDriverDeleter {
    void operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }
};
struct FileRendererDeleter {
    void operator()(fluid_file_renderer_t* renderer) const { delete_fluid_file_renderer(renderer); }
};

using Settings = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using Synth = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using Player = std::unique_ptr<fluid_player_t, PlayerDeleter>;
using AudioDriver = std::unique_ptr<fluid_audio_driver_t, AudioDriverDeleter>;
using FileRenderer = std::unique_ptr<fluid_file_renderer_t, FileRendererDeleter>;

// Settings for 44100 frames per second with FluidSynth's own log output
// silenced at every level (the program reports failures itself).
[[nodiscard]] Settings NewSettings();
// Sets a string setting; throws TremolundrixError when FluidSynth refuses it.
void SetString(fluid_settings_t* settings, const char* name, const std::string& value);
void SetInt(fluid_settings_t* settings, const char* name, int value);
void SetNumber(fluid_settings_t* settings, const char* name, double value);

// A synthesizer with the SoundFont loaded. Throws TremolundrixError.
[[nodiscard]] Synth NewSynth(fluid_settings_t* settings, const std::string& soundFontFileName);

// The whole file; throws SystemError when it cannot be read and
// TremolundrixError when it does not start with a MIDI header chunk.
[[nodiscard]] std::vector<std::uint8_t> ReadMidiFile(const std::string& fileName);
// A player holding a copy of the file's bytes, not started.
[[nodiscard]] Player NewPlayer(fluid_synth_t* synth, const std::vector<std::uint8_t>& midiBytes);

} // namespace trx::fluid
