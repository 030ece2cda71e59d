// Start-up and the keyboard routing of the message loop.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Sets up and creates the main window, lays it out and shows it with the show command.
bool createMainWindow(int showCommand);
// The command line without the program's name and the blanks after it, as the C runtime hands
// it to WinMain: a name that begins with a double quote ends at the next one, any other at the
// first blank.
const char* commandLineTail(const char* commandLine);
// Posts command 500 with the path named on the command line (a leading double quote starts a
// quoted path that ends at the next one; otherwise the whole tail is the path).
void postCommandLineFile(const char* commandLineTail);
// The hex pane's filter: 'a'-'f' become 'A'-'F', '0'-'9' pass, everything else gives 0.
char filterHexChar(char c);
// The loop's routing of a message before accelerators and translation: characters below 27 go
// to the main window, and while the hex pane is active only hex digits (upper-cased) pass.
// False when the message is to be dropped.
bool routeLoopMessage(platform::Window& target, uint32_t message, uintptr_t& wParam);
