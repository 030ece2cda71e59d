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

// A control of the dialog template: its statement (PUSHBUTTON, LTEXT, EDITTEXT, CONTROL), class
// for CONTROL statements, text, id, rectangle in dialog units and style words.
struct DialogItem {
    std::string statement;
    std::string className;
    std::string text;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<std::string> styles;
    bool visible() const;
    bool hasStyle(const std::string& style) const;
};

struct DialogTemplate {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    std::vector<std::string> styles;
    int fontSize = 0;
    std::string fontName;
    std::vector<DialogItem> items;
};

struct ResourceScript {
    std::vector<Accelerator> accelerators;
    std::map<int, std::string> strings;
    std::vector<MenuItem> menu;
    std::string notice;
    DialogTemplate dialog;
};

// The program's resource script, read once.
const ResourceScript& resourceScript();
// Reads a script's text (exposed for tests).
ResourceScript parseResourceScript(const std::string& text, const std::string& directory);

} // namespace headless
