#pragma once
// The command line and the standard streams of a console program, the same on every system:
// arguments as UTF-8 and output bytes written as they are.

#include <string>
#include <vector>

namespace vistrel::platform {

// The program's arguments in UTF-8. POSIX systems pass them on as given; Windows reads the
// wide command line, since its 8-bit argv loses every character outside the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard output and error without any newline translation ("\n" stays one byte on Windows),
// so that output is the same on every system.
void UseBinaryStandardStreams();

// Makes the standard streams safe to write: a reader that went away (a closed pipe) makes the
// write fail with an error instead of ending the program, and a standard stream that was closed
// when the program started is opened on the null device, so that no file opened later takes its
// place (and the output meant for the terminal never lands in a recording). Returns false when
// standard output was closed: what is written to it is then lost.
bool GuardStandardStreams();

} // namespace vistrel::platform
