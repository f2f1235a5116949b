#include "app/ui/ApplicationFont.h"

namespace trx {

QFont ApplicationFont() {
    QFont font("DejaVu Sans");
    // The stretch picks the condensed faces of the family, bold included.
    font.setStretch(QFont::SemiCondensed);
    font.setPixelSize(11);
    return font;
}

} // namespace trx
