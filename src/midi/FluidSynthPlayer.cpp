#include "midi/FluidSynthPlayer.h"

#include "common/Errors.h"
#include "midi/FluidSynthSupport.h"
#include "midi/SoundFontSearch.h"

#include <thread>
#include <utility>

namespace trx {

namespace {

// 512 frames (11.6 ms) per write: far fewer wake-ups than FluidSynth's 64,
// still a prompt Stop.
constexpr int kPeriodFrames = 512;

void WatchPlayback(fluid_player_t* player, fluid_synth_t* synth,
                   const MidiPlayer::EndHandler& onEnd) {
    // Polls every 10 ms until the file has ended or Stop was called.
    fluid_player_join(player);
    fluid_synth_all_notes_off(synth, -1);
    if (onEnd)
        onEnd();
}

} // namespace

// Members in order of creation; destroyed in reverse, so the audio driver
// goes before the player and the synthesizer it drives.
struct FluidSynthPlayer::Engine {
    Options options;
    fluid::Settings settings;
    fluid::Synth synth;
    std::vector<std::uint8_t> midiBytes;
    fluid::Player player;
    fluid::AudioDriver driver;
    // The player has been started: playing again needs a fresh one.
    bool started = false;
    std::thread watcher;

    void LoadSynth() {
        if (synth)
            return;
        if (!settings) {
            fluid::Settings made = fluid::NewSettings();
            fluid::SetInt(made.get(), "audio.period-size", kPeriodFrames);
            if (!options.audioFileName.empty())
                fluid::SetString(made.get(), "audio.file.name", options.audioFileName);
            settings = std::move(made);
        }
        const std::filesystem::path soundFont = FindSoundFont(options.soundFontFolders);
        if (soundFont.empty())
            throw TremolundrixError(kNoSoundFontMessage);
        synth = fluid::NewSynth(settings.get(), soundFont.string());
    }

    // A new player on midiBytes, then the audio output that drives it.
    void OpenOutput() {
        started = false;
        player = fluid::NewPlayer(synth.get(), midiBytes);
        std::string tried;
        for (const std::string& name : options.audioDrivers) {
            tried += (tried.empty() ? "" : ", ") + name;
            if (fluid_settings_setstr(settings.get(), "audio.driver", name.c_str()) != FLUID_OK)
                continue;
            driver.reset(new_fluid_audio_driver(settings.get(), synth.get()));
            if (driver)
                return;
        }
        player.reset();
        throw TremolundrixError("Unable to open an audio output (tried " + tried + ")");
    }

    void StopPlayback() {
        if (!watcher.joinable())
            return;
        if (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING)
            fluid_player_stop(player.get());
        watcher.join();
    }

    void CloseOutput() {
        StopPlayback();
        // Nothing may render the synthesizer while its player is deleted.
        driver.reset();
        player.reset();
        if (synth)
            fluid_synth_all_sounds_off(synth.get(), -1);
        started = false;
    }
};

FluidSynthPlayer::Options FluidSynthPlayer::DefaultOptions() {
    return {StandardSoundFontFolders(), {"pulseaudio", "alsa"}, {}};
}

FluidSynthPlayer::FluidSynthPlayer()
    : FluidSynthPlayer(DefaultOptions()) {}

FluidSynthPlayer::FluidSynthPlayer(Options options)
    : engine_(std::make_unique<Engine>()) {
    engine_->options = std::move(options);
}

FluidSynthPlayer::~FluidSynthPlayer() {
    Close();
}

void FluidSynthPlayer::Open(const std::string& fileName) {
    Close();
    std::vector<std::uint8_t> bytes = fluid::ReadMidiFile(fileName);
    engine_->LoadSynth();
    engine_->midiBytes = std::move(bytes);
    engine_->OpenOutput();
}

void FluidSynthPlayer::Play(EndHandler onEnd) {
    Engine& e = *engine_;
    if (!e.player)
        throw TremolundrixError("No MIDI file is open for playing");
    if (e.started) {
        // FluidSynth's player resumes where it stopped; a new one starts at
        // the beginning.
        e.CloseOutput();
        e.OpenOutput();
    }
    if (fluid_player_play(e.player.get()) != FLUID_OK)
        throw TremolundrixError("FluidSynth could not start playing");
    e.started = true;
    try {
        e.watcher = std::thread(WatchPlayback, e.player.get(), e.synth.get(), std::move(onEnd));
    } catch (...) {
        fluid_player_stop(e.player.get());
        throw;
    }
}

void FluidSynthPlayer::Stop() {
    engine_->StopPlayback();
}

void FluidSynthPlayer::Close() {
    engine_->CloseOutput();
    engine_->midiBytes.clear();
}

} // namespace trx
