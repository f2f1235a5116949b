#pragma once

#include <QFont>

namespace trx {

// The text of every window. The windows are laid out in pixels for a narrow
// dialog font of 11 pixels; the semi-condensed DejaVu Sans at that size
// keeps every text of them whole.
[[nodiscard]] QFont ApplicationFont();

} // namespace trx
