#pragma once

#include <QPointer>

#include <initializer_list>
#include <vector>

class QAction;
class QWidget;

namespace trx {

// The commands a conversion result makes available, each a button paired
// with its menu items. "Available" is shown for a button and enabled for a
// menu item; a pair always changes together.
class ResultCommands {
public:
    struct Command {
        QPointer<QWidget> Button;
        std::vector<QPointer<QAction>> Actions;
    };

    ResultCommands() = default;
    ResultCommands(Command convert, Command refilter, Command edit, Command play, Command autoTune,
                   Command save);

    // The Open step: every result command and Convert unavailable.
    void HideAll();
    void SetConvertAvailable(bool available);
    // The end of an analysis: Save, Re-filter, Edit, Auto tune and Play.
    void ShowResults();
    // After a save: Play.
    void ShowPlay();

private:
    static void SetAvailable(Command& command, bool available);

    Command convert_;
    Command refilter_;
    Command edit_;
    Command play_;
    Command autoTune_;
    Command save_;
};

} // namespace trx
