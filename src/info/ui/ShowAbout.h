#pragma once

namespace trx {

class ModalInteraction;
class TAboutBox;
class TVersionDM;

// Help > "About Tremolundrix": the box takes the home page the start-up
// check has found by now, then shows modally.
void ShowAbout(TAboutBox& box, const TVersionDM& versionCheck, ModalInteraction& interaction);

} // namespace trx
