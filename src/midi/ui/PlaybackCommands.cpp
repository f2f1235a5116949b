#include "midi/ui/PlaybackCommands.h"

#include "app/ui/MainWindowServices.h"

namespace trx {

void PlaybackCommands::Play() {}

void PlaybackCommands::Stop() {}

void PlaybackCommands::Shutdown() {}

} // namespace trx
