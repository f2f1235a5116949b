#pragma once

namespace trx {

class MainWindowServices;

// The Play and Stop commands of the main window.
class PlaybackCommands {
public:
    // window must outlive the command.
    explicit PlaybackCommands(MainWindowServices& window)
        : window_(window) {}

    void Play();
    void Stop();

private:
    MainWindowServices& window_;
};

} // namespace trx
