// The fixture of the scenario tests: a fresh headless host and editor for every test, a
// temporary folder for files, and helpers to look at the document and the panes.
#pragma once

#include "app/editor_state.h"
#include "document/document_buffer.h"
#include "platform/codes.h"
#include "platform/headless/headless.h"
#include "undo/undo_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class Scenario : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the editor with the given metrics and, when bytes are given, a file holding them
    // named on the command line.
    void start(const headless::Metrics& metrics = headless::Metrics());
    void startWith(const Bytes& bytes, const headless::Metrics& metrics = headless::Metrics());

    std::string path(const std::string& name) const;
    void writeFile(const std::string& name, const Bytes& bytes) const;
    Bytes readFile(const std::string& name) const;
    bool fileExists(const std::string& name) const;

    // The document's whole bytes (length / 2 of them).
    static Bytes documentBytes();
    static int32_t changeCount() { return state.undoLog->changeCount; }
    // The text of the main window's last message box, or "" when none was shown.
    static std::string lastMessage();

    // Both panes look exactly as a full repaint would draw them.
    static void expectPanesMatchRepaint();

    std::string directory;
};

// count bytes 0, 1, 2, ... (mod 256).
Bytes sequence(size_t count, uint8_t first = 0);
