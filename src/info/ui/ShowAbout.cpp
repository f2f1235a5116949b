#include "info/ui/ShowAbout.h"

#include "app/ui/ModalInteraction.h"
#include "info/ui/TAboutBox.h"
#include "info/ui/TVersionDM.h"

namespace trx {

void ShowAbout(TAboutBox& box, const TVersionDM& versionCheck, ModalInteraction& interaction) {
    // The check's result arrives after the box was made.
    box.SetHomePageUrl(versionCheck.HomePageUrl());
    (void)interaction.Exec(box);
}

} // namespace trx
