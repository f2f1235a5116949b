#include "app/ui/ResultCommands.h"

#include <QAction>
#include <QWidget>

#include <utility>

namespace trx {

ResultCommands::ResultCommands(Command convert, Command refilter, Command edit, Command play,
                               Command autoTune, Command save)
    : convert_(std::move(convert))
    , refilter_(std::move(refilter))
    , edit_(std::move(edit))
    , play_(std::move(play))
    , autoTune_(std::move(autoTune))
    , save_(std::move(save)) {}

void ResultCommands::SetAvailable(Command& command, bool available) {
    if (command.Button)
        command.Button->setVisible(available);
    for (const QPointer<QAction>& action : command.Actions) {
        if (action)
            action->setEnabled(available);
    }
}

void ResultCommands::HideAll() {
    for (Command* command : {&convert_, &autoTune_, &refilter_, &edit_, &save_, &play_})
        SetAvailable(*command, false);
}

void ResultCommands::SetConvertAvailable(bool available) {
    SetAvailable(convert_, available);
}

void ResultCommands::ShowResults() {
    for (Command* command : {&save_, &refilter_, &edit_, &autoTune_, &play_})
        SetAvailable(*command, true);
}

void ResultCommands::ShowPlay() {
    SetAvailable(play_, true);
}

} // namespace trx
