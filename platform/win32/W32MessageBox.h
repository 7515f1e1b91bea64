#pragma once

namespace plat
{

// Installs the SDL message-box sink into plat::MessageBoxA (platform/sys).
// A box is shown wherever a display is there (DISPLAY or WAYLAND_DISPLAY
// set, video driver not "dummy" or "offscreen"), whatever standard input is
// (a desktop launcher gives none); otherwise the sink declines and the text
// goes to standard error. Tests and runs on an invisible X server set
// VOSTREL_NO_MESSAGEBOX, which MessageBoxA checks before the sink.
// Idempotent; InitVideo calls it too.
void InstallMessageBoxSink();

// The decision above, for tests: true when a box would be shown.
bool CanShowMessageBox();

} // namespace plat
