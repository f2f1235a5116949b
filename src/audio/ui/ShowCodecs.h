#pragma once

namespace trx {

class CodecList;
class ModalInteraction;
class TCodecForm;

// Help > "Installed Codecs": rebuilds the codec list, puts its version and
// count texts on the dialog and, when the list could be built, shows the
// dialog modally. form must have been made on codecs.Drivers(). Returns
// whether the dialog was shown.
bool ShowCodecs(CodecList& codecs, TCodecForm& form, ModalInteraction& interaction);

} // namespace trx
