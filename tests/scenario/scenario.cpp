#include "scenario.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

void Scenario::SetUp() {
    headless::clearSettings();
    char pattern[] = "/tmp/tavedit-scenario.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
}

void Scenario::TearDown() {
    headless::finish();
    std::filesystem::remove_all(directory);
}

void Scenario::start(const headless::Metrics& metrics) {
    headless::reset(metrics);
    ASSERT_TRUE(headless::start());
}

void Scenario::startWith(const Bytes& bytes, const headless::Metrics& metrics) {
    writeFile("doc.bin", bytes);
    headless::reset(metrics);
    const std::string commandLine = "\"" + path("doc.bin") + "\"";
    ASSERT_TRUE(headless::start(commandLine.c_str()));
    ASSERT_EQ(state.length, 2 * static_cast<int32_t>(bytes.size()));
}

std::string Scenario::path(const std::string& name) const {
    return directory + "/" + name;
}

void Scenario::writeFile(const std::string& name, const Bytes& bytes) const {
    std::ofstream file(path(name), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Scenario::readFile(const std::string& name) const {
    std::ifstream file(path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

bool Scenario::fileExists(const std::string& name) const {
    return std::filesystem::exists(path(name));
}

Bytes Scenario::documentBytes() {
    const uint8_t* bytes = state.document->bytes;
    return Bytes(bytes, bytes + state.length / 2);
}

std::string Scenario::lastMessage() {
    const auto& boxes = headless::messageBoxes();
    return boxes.empty() ? std::string() : boxes.back().text;
}

void Scenario::expectPanesMatchRepaint() {
    for (int pane = 0; pane < 2; ++pane) {
        const headless::Grid& shown = headless::grid(pane);
        const headless::Grid repainted = headless::repaintedGrid(pane);
        ASSERT_EQ(shown.rows, repainted.rows);
        for (int32_t row = 0; row < shown.rows; ++row) {
            for (int32_t column = 0; column < shown.columns; ++column) {
                const headless::Cell a = headless::look(shown.at(column, row));
                const headless::Cell b = headless::look(repainted.at(column, row));
                ASSERT_TRUE(a == b)
                    << "pane " << pane << " cell (" << column << ", " << row << "): shown "
                    << a.character << "/" << std::hex << a.text << "/" << a.background
                    << ", repainted " << std::dec << b.character << "/" << std::hex << b.text << "/"
                    << b.background;
            }
        }
    }
}

Bytes sequence(size_t count, uint8_t first) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}
