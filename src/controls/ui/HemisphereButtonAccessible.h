#pragma once

namespace trx {

// Makes every round button report itself to accessibility tools as a push
// button named by its caption and described by its hint, with a press
// action. Safe to call more than once.
void InstallHemisphereButtonAccessibility();

} // namespace trx
