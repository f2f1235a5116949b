#include "app/ui/SettingsCommands.h"

#include "app/ConversionSession.h"
#include "app/FileNames.h"
#include "app/SettingsFile.h"
#include "app/ui/LocalPath.h"
#include "app/ui/MainWindowServices.h"
#include "app/ui/MidiFormWidgets.h"
#include "app/ui/SavePathQuestion.h"

#include <QFile>

#include <optional>

namespace trx {

SettingsCommands::SettingsCommands(MainWindowServices& window, MidiFormWidgets& widgets,
                                   FileDialog& openDialog, FileDialog& saveDialog)
    : window_(window)
    , widgets_(widgets)
    , openDialog_(openDialog)
    , saveDialog_(saveDialog) {}

void SettingsCommands::Save() {
    RunReported(window_, "SaveSettingsClick", [this] {
        // The proposal stays a proposal: only a written file becomes
        // SettingsFileName, so an existing file of that name is not replaced
        // without the question.
        if (window_.Session().SettingsFileName.empty() && !window_.Session().MidiFileName.empty()) {
            saveDialog_.FileName =
                DisplayPath(ProposedSettingsName(window_.Session().MidiFileName));
        }
        const std::optional<QString> path =
            AskSavePath(window_.Interaction(), &window_.Window(), saveDialog_,
                        DisplayPath(window_.Session().SettingsFileName));
        if (!path) {
            return;
        }
        window_.Session().SettingsFileName = LocalPath(*path);
        WriteSettingsFile(window_.Session().SettingsFileName, widgets_.Settings());
    });
}

void SettingsCommands::Load() {
    RunReported(window_, "LoadSettingClick", [this] {
        if (!window_.Interaction().RunOpenDialog(&window_.Window(), openDialog_)) {
            return;
        }
        window_.Session().SettingsFileName = LocalPath(openDialog_.FileName);
        ApplySettingsFile(openDialog_.FileName);
    });
}

void SettingsCommands::ApplySettingsFile(const QString& path) {
    // Each value goes through its control at once, so the labels and the
    // kernels follow.
    SettingsFileReader reader(LocalPath(path));
    for (;;) {
        const int index = reader.NextIndex();
        const std::optional<std::int32_t> value = reader.Next();
        if (!value) {
            break;
        }
        widgets_.SetSettingValue(index, *value);
    }
}

} // namespace trx
