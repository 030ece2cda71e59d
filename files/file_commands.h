// The file commands: open, insert, save, save as, save selection, dropped files and the file
// named on the command line; the title and path follow the current file.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Runs the common Open or Save dialog for a file command; false when cancelled.
bool chooseFile(char* path, int command);
// Reads the file into the document: from byte offset on when inserting, as the whole new
// document otherwise. 1 when the file was read; every failure has been reported.
int openFile(const char* path, int32_t offset, bool insert);
// Writes the document's bytes [start, end) to path, asking for a name when path cannot be
// opened for writing. 1 when every byte was written.
int saveFile(const char* path, int32_t start, int32_t end, int command);
// Makes path the current file and shows its name in the title.
void setFileTitle(const char* path);

void openCommand();
void insertFileCommand();
void saveCommand();
void saveAsCommand();
void saveSelectionCommand();
void openDroppedFile(platform::DropHandle drop);
