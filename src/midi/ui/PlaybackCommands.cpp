#include "midi/ui/PlaybackCommands.h"

#include "app/ConversionSession.h"
#include "app/ui/LocalPath.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/ModalInteraction.h"
#include "common/Errors.h"
#include "midi/MidiPlayer.h"

#include <QMetaObject>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace trx {

void PlaybackCommands::Play() {
    std::error_code folderError;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(folderError);
    if (folderError) {
        window_.ShowSystemError(folderError.value());
        return;
    }
    // Created empty, private to the user, under a name nobody else holds.
    std::string tempPath = (folder / "TRBXXXXXX").string();
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        window_.ShowSystemError(errno);
        return;
    }
    ::close(fd);

    ConversionSession& session = window_.Session();
    const std::string midiFileName = session.MidiFileName;
    // A temporary copy does not save the result: closing must still offer to.
    const bool saved = session.Saved;
    if (window_.SaveMidiFile(DisplayPath(tempPath))) {
        window_.SetStopShown(true);
        session.TempFiles.push_back(tempPath);
        const std::uint64_t playback = ++playback_;
        QWidget* context = &window_.Window();
        (void)RunReported(window_, "PlayBtnClick", [&] {
            try {
                if (player_ == nullptr)
                    throw TremolundrixError("No MIDI player is available");
                player_->Open(tempPath);
                // Runs on the player's thread; the window as context drops
                // the event when the window is gone.
                player_->Play([this, context, playback] {
                    QMetaObject::invokeMethod(
                        context, [this, playback] { PlaybackEnded(playback); },
                        Qt::QueuedConnection);
                });
            } catch (...) {
                // Nothing plays: no Stop behind the report.
                window_.SetStopShown(false);
                throw;
            }
        });
    } else {
        (void)std::remove(tempPath.c_str());
        window_.Interaction().Tell(&window_.Window(), {"Unable to save temporary midi file", "Oops",
                                                       QMessageBox::Ok, QMessageBox::Critical});
    }
    session.MidiFileName = midiFileName;
    session.Saved = saved;
}

void PlaybackCommands::Stop() {
    window_.SetStopShown(false);
    if (player_ != nullptr)
        player_->Stop();
}

void PlaybackCommands::Shutdown() {
    // Ends still queued find no current playback.
    ++playback_;
    if (player_ != nullptr)
        player_->Close();
    player_ = nullptr;
}

void PlaybackCommands::PlaybackEnded(std::uint64_t playback) {
    if (playback == playback_)
        window_.SetStopShown(false);
}

} // namespace trx
