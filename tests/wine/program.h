// The fixture of the Wine tests: the program's real windows, created in this process on Wine,
// driven with real messages and real key input, and the message boxes answered through a hook.
#pragma once

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "undo/undo_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

std::string windowText(HWND window);

class Program : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window as start-up does, with a command-line tail.
    void startProgram(const char* commandLine = "");
    // Handles the waiting messages (input included) for a while; false once the quit message
    // arrived, whose exit code is then in exitCode.
    bool pump(int milliseconds = 150);
    // Closes the windows without the close sequence and forgets the editor state.
    void endProgram();

    // Presses keys with real input: each key down in order, then up in reverse order.
    void pressKeys(std::initializer_list<WORD> keys);
    void typeKeys(const std::string& text);

    static HWND mainWindow() { return reinterpret_cast<HWND>(state.mainWindow); }
    static HWND pane(int index) { return reinterpret_cast<HWND>(state.panes[index]); }

    // A folder of its own for the test's files, with Windows paths.
    std::string path(const std::string& name) const { return folder + "\\" + name; }
    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> readFile(const std::string& name) const;

    std::string folder;
    int exitCode = -1;
    bool quit = false;
};

// The message boxes shown while a test runs, answered from a script (unscripted: the first
// button).
struct AnsweredBox {
    std::string caption;
    std::string text;
};
void answerBoxes(std::initializer_list<int> answers);
const std::vector<AnsweredBox>& answeredBoxes();
