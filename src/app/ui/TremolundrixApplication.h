#pragma once

#include "app/ui/QtModalInteraction.h"
#include "midi/FluidSynthPlayer.h"

#include <QApplication>

#include <memory>

namespace trx {

class TMidiForm;

// The desktop program: creates its windows in their start-up order behind
// the splash window and runs the event loop.
class TremolundrixApplication {
public:
    // argc must outlive the application, as QApplication requires.
    TremolundrixApplication(int& argc, char** argv);
    ~TremolundrixApplication();
    TremolundrixApplication(const TremolundrixApplication&) = delete;
    TremolundrixApplication& operator=(const TremolundrixApplication&) = delete;

    // Returns the program's exit code.
    [[nodiscard]] int Run();

private:
    QApplication application_;
    QtModalInteraction interaction_;
    // Declared before the window, which closes it when it goes.
    FluidSynthPlayer player_;
    std::unique_ptr<TMidiForm> midiForm_;
};

} // namespace trx
