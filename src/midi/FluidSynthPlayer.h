#pragma once

#include "midi/MidiPlayer.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace trx {

// The MIDI player on FluidSynth. Nothing of FluidSynth is created before the
// first Open, which finds and loads the SoundFont once for the player's
// lifetime (the usual one is 148 MB). Each Open opens the audio output anew,
// so a device that appears later is found. A watcher thread per playback
// waits for FluidSynth's player to finish (FluidSynth reports no end), sends
// all notes off and runs the end handler. Stop, Close and destruction stop
// and join that thread before any FluidSynth object is freed.
class FluidSynthPlayer final : public MidiPlayer {
public:
    struct Options {
        // Searched by FindSoundFont.
        std::vector<std::filesystem::path> soundFontFolders;
        // FluidSynth audio drivers, tried in order; the first that opens is
        // used. "file" is FluidSynth's real-time file writer, which needs no
        // device.
        std::vector<std::string> audioDrivers;
        // Output of the "file" driver.
        std::string audioFileName;
    };

    // The standard SoundFont folders; PulseAudio (which PipeWire also
    // serves), then ALSA.
    [[nodiscard]] static Options DefaultOptions();

    FluidSynthPlayer();
    explicit FluidSynthPlayer(Options options);
    ~FluidSynthPlayer() override;
    FluidSynthPlayer(const FluidSynthPlayer&) = delete;
    FluidSynthPlayer& operator=(const FluidSynthPlayer&) = delete;

    // Throws SystemError when the file cannot be read, TremolundrixError
    // with kNoSoundFontMessage when no SoundFont is found, and
    // TremolundrixError when the SoundFont or every audio driver fails.
    void Open(const std::string& fileName) override;
    void Play(EndHandler onEnd) override;
    void Stop() override;
    void Close() override;

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
};

} // namespace trx
