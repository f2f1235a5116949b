#pragma once

namespace trx {

class MainWindowServices;
class MidiPlayer;

// The Play and Stop commands of the main window.
class PlaybackCommands {
public:
    // window must outlive the command.
    explicit PlaybackCommands(MainWindowServices& window)
        : window_(window) {}

    // The player made at start-up; none until then.
    void SetPlayer(MidiPlayer* player) { player_ = player; }

    void Play();
    void Stop();
    // Closes the player before the window goes.
    void Shutdown();

private:
    MainWindowServices& window_;
    MidiPlayer* player_ = nullptr;
};

} // namespace trx
