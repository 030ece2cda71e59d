// The fixture of the Wine tests: the program's real windows, created in this process on Wine,
// driven with real messages and real key and mouse input; message boxes are answered through a
// hook, or by a user's script running on a thread of its own.
#pragma once

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "undo/undo_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

std::string windowText(HWND window);
std::wstring windowTextW(HWND window);
// UTF-8 text as UTF-16, for the wide calls.
std::wstring widen(const std::string& text);

// Real input from any thread: keys down in order, then up in reverse order; text key by key; the
// pointer moved to a point of the screen, with button flags; a click at the centre of a window.
void sendKeys(std::initializer_list<WORD> keys);
void sendText(const std::string& text);
void sendMouse(POINT screen, DWORD buttons);
void click(HWND window);

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

    // Presses keys, or types text, with real input and handles what they cause.
    void pressKeys(std::initializer_list<WORD> keys) {
        sendKeys(keys);
        pump(60);
    }
    void typeKeys(const std::string& text) {
        sendText(text);
        pump(60);
    }

    // Runs a user's script on a thread of its own while this thread runs the program's messages,
    // modal loops included; a dialog the script leaves open fails the test and is cancelled.
    void asUser(const std::function<void()>& script);

    static HWND mainWindow() { return reinterpret_cast<HWND>(state.mainWindow); }
    static HWND pane(int index) { return reinterpret_cast<HWND>(state.panes[index]); }
    // The centre of the cell of a nibble index in a pane, on the screen.
    static POINT cellPoint(int pane, int32_t nibble);

    // A folder of its own for the test's files, with Windows paths.
    std::string path(const std::string& name) const { return folder + "\\" + name; }
    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> readFile(const std::string& name) const;

    std::string folder;
    int exitCode = -1;
    bool quit = false;
};

// For a user's script: waits until the condition, evaluated on the program's thread, holds (a
// failure after five seconds); until the active window has this caption; and answers the file
// dialog with this caption: the path (UTF-8) in its name box, then Enter.
bool waitUntil(const std::function<bool()>& condition, const std::string& what);
HWND waitForDialog(const char* caption);
void answerFileDialog(const char* caption, const std::string& path);

// The message boxes shown outside a user's script, answered from a list (unscripted: the first
// button).
struct AnsweredBox {
    std::string caption;
    std::string text;
};
void answerBoxes(std::initializer_list<int> answers);
const std::vector<AnsweredBox>& answeredBoxes();
