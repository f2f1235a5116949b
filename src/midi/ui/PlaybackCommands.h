#pragma once

#include <cstdint>

namespace trx {

class MainWindowServices;
class MidiPlayer;

// The Play and Stop commands of the main window and the end of playback.
class PlaybackCommands {
public:
    // window must outlive the command.
    explicit PlaybackCommands(MainWindowServices& window)
        : window_(window) {}

    // The player made at start-up; none until then.
    void SetPlayer(MidiPlayer* player) { player_ = player; }

    // Writes the result to a new temporary file (listed in the session's
    // TempFiles) and plays it, StopBtn shown meanwhile. The session's
    // MidiFileName and Saved stay as they were.
    void Play();
    void Stop();
    // Closes the player before the window goes; no end event reaches the
    // window afterwards.
    void Shutdown();

private:
    // On the window's thread, for the end of the playback with that number.
    void PlaybackEnded(std::uint64_t playback);

    MainWindowServices& window_;
    MidiPlayer* player_ = nullptr;
    // Number of the latest playback started; the end of an earlier one
    // (replaced by a later Play) leaves StopBtn alone.
    std::uint64_t playback_ = 0;
};

} // namespace trx
