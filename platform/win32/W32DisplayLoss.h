#pragma once

// What happens when the connection to the display breaks (the X server went
// away or closed the connection), during play or during shutdown alike: the
// handler below gets one line, and the process ends at once with
// _exit(kDisplayLostExitCode). Exit handlers and static destructors do not
// run, since any of them that touches the display (SDL's shutdown does)
// would wait on the dead connection for ever.

namespace plat
{

constexpr int kDisplayLostExitCode = 1;

// Gets the message (one line, no line feed) on the thread that found the
// connection broken, just before the process ends. It must not touch the
// display. Null puts back the default, which prints the message to the
// standard error stream.
typedef void (*DisplayLostHandler)(const char* message);
void SetDisplayLostHandler(DisplayLostHandler handler);

// The message the handler gets.
const char* DisplayLostMessage();

namespace detail
{
// Puts the layer's I/O-error handler into Xlib when SDL video runs on X11;
// does nothing for other video drivers. InitVideo calls it.
void CatchDisplayLoss();
} // namespace detail

} // namespace plat
