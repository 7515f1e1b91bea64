#pragma once

// The program's one logging function. Flag bits choose where the formatted
// message goes, in this order within one call:
//   1  append the message and a line feed to "Error.log" in the working folder
//   16 the same, and nothing else: a trace line of where a failure passed
//      ("... failed in ..."), for the developer; the player reads the
//      message that says what went wrong
//   32 append it to "Debug.log" (progress texts such as the models loaded)
//   8  show it in a message box captioned "Error", "Warning" (by the
//      message's first word) or "Information"; the box's text is wrapped to
//      lines of 80 characters
//   4  print it with a newline to the standard output stream
//   2  print it with a newline to the standard error stream (flag 1 does too)
// A message goes to standard error once: with flag 1 or 2 and a box that
// cannot be shown (no display, or VOSTREL_NO_MESSAGEBOX), the line is all
// there is; flag 8 alone then prints "caption: text" there instead.
// Flags 0 format the message and send it nowhere. A null or empty format, or
// an empty result, does nothing. Messages longer than 1023 bytes are cut.
void Log(unsigned int flags, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Deletes "Error.log" and then "Debug.log" in the working folder; a missing
// file is no error. Called once at program start.
void ResetLogFiles();
