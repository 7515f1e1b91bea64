#pragma once

namespace plat
{

// Installs the SDL message-box sink into plat::MessageBoxA (platform/sys).
// A box is shown only when a display is there (DISPLAY or WAYLAND_DISPLAY
// set, video driver not "dummy" or "offscreen") and the run is interactive
// (standard input is a terminal); otherwise the sink declines and the text
// goes to standard error, so that no test or headless run blocks on a box.
// Idempotent; InitVideo calls it too.
void InstallMessageBoxSink();

// The decision above, for tests: true when a box would be shown.
bool CanShowMessageBox();

} // namespace plat
