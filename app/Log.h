#pragma once

// The program's one logging function. Flag bits choose where the formatted
// message goes, in this order within one call:
//   1  append the message and a line feed to "Error.log" in the working folder
//   8  show it in a message box captioned "Information"
//   4  print it with a newline to the standard output stream
//   2  print it with a newline to the standard error stream (flag 1 does too)
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
