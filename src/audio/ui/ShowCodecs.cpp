#include "audio/ui/ShowCodecs.h"

#include "app/ui/ModalInteraction.h"
#include "audio/CodecList.h"
#include "audio/ui/TCodecForm.h"

namespace trx {

bool ShowCodecs(CodecList& codecs, TCodecForm& form, ModalInteraction& interaction) {
    const bool listed = codecs.EnumerateCodecs();
    // The labels tell a failed count even though the dialog stays closed.
    form.SetEnumerationTexts(QString::fromStdString(codecs.VersionText()),
                             QString::fromStdString(codecs.CountText()));
    if (!listed) {
        return false;
    }
    (void)interaction.Exec(form);
    return true;
}

} // namespace trx
