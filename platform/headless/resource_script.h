// The resource script read the way the resource compiler reads the parts the headless host
// needs: the accelerator table, the string table and the menu. The script stays the one source
// of them for both builds.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace headless {

struct Accelerator {
    int key;
    bool control;
    bool alt;
    bool shift;
    int command;
};

struct MenuItem {
    std::string label;
    int command; // 0 for a submenu
    std::vector<MenuItem> items;
};

struct ResourceScript {
    std::vector<Accelerator> accelerators;
    std::map<int, std::string> strings;
    std::vector<MenuItem> menu;
    std::string notice;
};

// The program's resource script, read once.
const ResourceScript& resourceScript();
// Reads a script's text (exposed for tests).
ResourceScript parseResourceScript(const std::string& text, const std::string& directory);

} // namespace headless
