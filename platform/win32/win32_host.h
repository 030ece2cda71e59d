// The parts of the Windows program around the editor logic: the message loop.
#pragma once

namespace win32 {

// Runs the program's message loop until the quit message; returns its exit code.
int runMessageLoop();
// Handles the messages waiting now, through the same routing as the loop; false once the quit
// message has arrived, whose exit code is then stored. (For the tests that drive the program's
// windows in-process.)
bool runWaitingMessages(int& exitCode);
// The process's command line after the program's name, as UTF-8, whatever the code page.
const char* commandLineTail();

} // namespace win32
