#pragma once

#include <string>
#include <vector>

namespace trx {

// Rendering a Standard MIDI File to audio without an audio device, through
// FluidSynth's file renderer, at 44100 frames per second, as fast as the
// machine allows. Rendering ends when FluidSynth's player is done: after the
// last event, once the last note has died away. Both throw SystemError when
// a file cannot be read or written and TremolundrixError when FluidSynth
// fails (a bad SoundFont, a file that is not MIDI).

// A 16-bit stereo WAV file.
void RenderMidiToWav(const std::string& midiFileName, const std::string& soundFontFileName,
                     const std::string& wavFileName);

// Mono samples in -1..1 (the mean of the two channels), rendered through a
// raw float file in the temporary folder that is removed afterwards.
[[nodiscard]] std::vector<float> RenderMidiToSamples(const std::string& midiFileName,
                                                     const std::string& soundFontFileName);

} // namespace trx
