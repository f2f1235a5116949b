#include "app/ui/TremolundrixApplication.h"

#include "app/ui/ApplicationFont.h"
#include "app/ui/OpenWith.h"
#include "app/ui/TAbortForm.h"
#include "app/ui/TErrorDlg.h"
#include "app/ui/TMidiForm.h"
#include "app/ui/TSplashForm.h"
#include "audio/ui/TCodecForm.h"
#include "editor/ui/TEditorForm.h"
#include "info/ui/RegistryValueStore.h"
#include "info/ui/TAboutBox.h"
#include "info/ui/TVersionDM.h"
#include "tuning/ui/TTuningForm.h"

namespace trx {

TremolundrixApplication::TremolundrixApplication(int& argc, char** argv)
    : application_(argc, argv) {
    // The application name is the program's title; the per-user settings
    // store is found under the organisation and application names.
    QCoreApplication::setOrganizationName("Tremolundrix");
    QCoreApplication::setApplicationName("Tremolundrix");
    QApplication::setFont(ApplicationFont());
}

TremolundrixApplication::~TremolundrixApplication() = default;

int TremolundrixApplication::Run() {
    midiForm_ = std::make_unique<TMidiForm>(interaction_);
    // Nothing of the synthesiser is loaded before the first Play.
    midiForm_->SetMidiPlayer(&player_);
    {
        TSplashForm splash;
        splash.show();
        QCoreApplication::processEvents();
        splash.repaint();

        // The other windows live as long as the main window, which owns them.
        // Their order: progress window, codecs dialog, note editor, tuning
        // dialog, version check, about box, error dialog. The version check
        // runs while the splash shows.
        midiForm_->SetAbortForm(new TAbortForm(midiForm_.get()));
        midiForm_->SetCodecForm(new TCodecForm(midiForm_->Codecs().Drivers(), midiForm_.get()));
        TMidiForm* form = midiForm_.get();
        form->SetEditorForm(new TEditorForm(form));
        form->SetTuningForm(new TTuningForm(form));
        auto* versionCheck =
            new TVersionDM(std::make_unique<RegistryValueStore>(
                               form->Registry(),
                               [form](const std::exception& e, const QString& routine) {
                                   form->ReportError(e, routine);
                               }),
                           interaction_, form, form);
        form->SetAboutWindows(
            new TAboutBox(versionCheck->ProgramVersion(), versionCheck->HomePageUrl(), form),
            versionCheck);
        midiForm_->SetErrorDlg(new TErrorDlg(midiForm_.get()));

        splash.hide();
    }
    midiForm_->show();
    OpenAtStart(*midiForm_, QCoreApplication::arguments());
    return QApplication::exec();
}

} // namespace trx
