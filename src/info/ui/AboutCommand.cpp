#include "info/ui/AboutCommand.h"

#include "app/ui/MainWindowServices.h"
#include "app/ui/ModalInteraction.h"
#include "info/TGetVersionInfoFromFile.h"
#include "info/ui/ShowAbout.h"
#include "info/ui/TAboutBox.h"
#include "info/ui/TVersionDM.h"

#include <QCoreApplication>
#include <QFile>

namespace trx {

void AboutCommand::SetWindows(TAboutBox* box, TVersionDM* versionCheck) {
    box_ = box;
    versionCheck_ = versionCheck;
}

void AboutCommand::Run() {
    RunReported(window_, "AboutBtnClick", [this] {
        if (box_ && versionCheck_) {
            ShowAbout(*box_, *versionCheck_, window_.Interaction());
            return;
        }
        if (!box_) {
            const std::string program =
                QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
            box_ = new TAboutBox(QString::fromStdString(ReadProgramVersion(program)), {},
                                 &window_.Window());
        }
        window_.Interaction().Exec(*box_);
    });
}

} // namespace trx
