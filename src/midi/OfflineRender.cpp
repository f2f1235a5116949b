#include "midi/OfflineRender.h"

#include "common/Errors.h"
#include "midi/FluidSynthSupport.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <utility>

namespace trx {

namespace {

void RenderToFile(const std::string& midiFileName, const std::string& soundFontFileName,
                  const std::string& outputFileName, const char* type, const char* format) {
    const std::vector<std::uint8_t> bytes = fluid::ReadMidiFile(midiFileName);
    // Declared in order of creation: the renderer goes first, the settings
    // last.
    const fluid::Settings settings = fluid::NewSettings();
    fluid::SetString(settings.get(), "audio.file.name", outputFileName);
    fluid::SetString(settings.get(), "audio.file.type", type);
    fluid::SetString(settings.get(), "audio.file.format", format);
    fluid::SetString(settings.get(), "audio.file.endian", "cpu");
    // The player's clock is the count of rendered samples, not the wall.
    fluid::SetString(settings.get(), "player.timing-source", "sample");
    const fluid::Synth synth = fluid::NewSynth(settings.get(), soundFontFileName);
    const fluid::Player player = fluid::NewPlayer(synth.get(), bytes);
    fluid::FileRenderer renderer(new_fluid_file_renderer(synth.get()));
    if (!renderer)
        throw TremolundrixError("Unable to write the rendered audio to " + outputFileName,
                                outputFileName);
    if (fluid_player_play(player.get()) != FLUID_OK)
        throw TremolundrixError("FluidSynth could not start playing");
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING) {
        if (fluid_file_renderer_process_block(renderer.get()) != FLUID_OK)
            throw TremolundrixError("Unable to write the rendered audio to " + outputFileName,
                                    outputFileName);
    }
}

// Removes the file when the scope ends, however it ends.
class RemovedFile {
public:
    explicit RemovedFile(std::string name)
        : name_(std::move(name)) {}
    ~RemovedFile() { ::unlink(name_.c_str()); }
    RemovedFile(const RemovedFile&) = delete;
    RemovedFile& operator=(const RemovedFile&) = delete;
    [[nodiscard]] const std::string& Name() const { return name_; }

private:
    std::string name_;
};

RemovedFile MakeTemporaryFile() {
    std::string name = (std::filesystem::temp_directory_path() / "trx-render-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw SystemError(errno, name);
    ::close(fd);
    return RemovedFile(std::move(name));
}

} // namespace

void RenderMidiToWav(const std::string& midiFileName, const std::string& soundFontFileName,
                     const std::string& wavFileName) {
    RenderToFile(midiFileName, soundFontFileName, wavFileName, "wav", "s16");
}

std::vector<float> RenderMidiToSamples(const std::string& midiFileName,
                                       const std::string& soundFontFileName) {
    const RemovedFile raw = MakeTemporaryFile();
    RenderToFile(midiFileName, soundFontFileName, raw.Name(), "raw", "float");

    std::ifstream in(raw.Name(), std::ios::binary);
    if (!in)
        throw SystemError(errno, raw.Name());
    std::vector<float> mono;
    // Interleaved left and right singles in the processor's byte order.
    float frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame))
        mono.push_back(0.5f * (frame[0] + frame[1]));
    if (in.bad())
        throw SystemError(errno, raw.Name());
    return mono;
}

} // namespace trx
