#pragma once

namespace trx {

// Lets accessibility tools see the main window's own controls: the three
// pictures as graphics and the status bar's progress panel as a progress
// bar with its percentage. Installing it twice does nothing more.
void InstallPictureAccessibility();

} // namespace trx
