#include "platform/headless/resource_script.h"

#include "platform/codes.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace headless {

namespace {

// Splits a line into tokens: quoted strings (with the resource compiler's escapes), numbers,
// names; commas and blanks separate.
std::vector<std::string> tokens(const std::string& line, std::vector<bool>& quoted) {
    std::vector<std::string> result;
    quoted.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        }
        std::string token;
        if (c == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char escaped = line[i + 1];
                    token += escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
                    i += 2;
                    continue;
                }
                token += line[i++];
            }
            ++i;
            result.push_back(token);
            quoted.push_back(true);
            continue;
        }
        while (i < line.size() && line[i] != ',' &&
               !std::isspace(static_cast<unsigned char>(line[i]))) {
            token += line[i++];
        }
        result.push_back(token);
        quoted.push_back(false);
    }
    return result;
}

int virtualKeyNamed(const std::string& name) {
    if (name == "VK_INSERT") {
        return vk::insert;
    }
    if (name == "VK_DELETE") {
        return vk::del;
    }
    if (name == "VK_F3") {
        return vk::f3;
    }
    return 0;
}

// The style words of a statement, from index first on: "A | NOT B | C" gives A, !B, C.
std::vector<std::string> styleWords(const std::vector<std::string>& words, size_t first) {
    std::vector<std::string> styles;
    bool negate = false;
    for (size_t i = first; i < words.size(); ++i) {
        if (words[i] == "|") {
            continue;
        }
        if (words[i] == "NOT") {
            negate = true;
            continue;
        }
        styles.push_back(negate ? "!" + words[i] : words[i]);
        negate = false;
    }
    return styles;
}

DialogItem dialogItem(const std::vector<std::string>& words) {
    DialogItem item;
    item.statement = words[0];
    size_t i = 1;
    if (item.statement != "EDITTEXT") {
        item.text = words[i++];
    }
    item.id = std::stoi(words[i++]);
    if (item.statement == "CONTROL") {
        item.className = words[i++];
        // The styles come before the rectangle: they end at the first number.
        size_t end = i;
        while (end < words.size() && !std::isdigit(static_cast<unsigned char>(words[end][0]))) {
            ++end;
        }
        item.styles = styleWords(std::vector<std::string>(words.begin(), words.begin() + end), i);
        i = end;
    }
    item.x = std::stoi(words[i++]);
    item.y = std::stoi(words[i++]);
    item.width = std::stoi(words[i++]);
    item.height = std::stoi(words[i++]);
    if (item.statement != "CONTROL") {
        item.styles = styleWords(words, i);
    }
    return item;
}

} // namespace

bool DialogItem::visible() const {
    return !hasStyle("!WS_VISIBLE");
}

bool DialogItem::hasStyle(const std::string& style) const {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

ResourceScript parseResourceScript(const std::string& text, const std::string& directory) {
    ResourceScript script;
    std::istringstream lines(text);
    std::string line;
    enum class Section { none, menu, accelerators, strings, dialog } section = Section::none;
    std::vector<std::vector<MenuItem>*> menuStack;
    std::vector<bool> quoted;
    while (std::getline(lines, line)) {
        const std::vector<std::string> words = tokens(line, quoted);
        if (words.empty()) {
            continue;
        }
        if (section == Section::none) {
            if (words.size() >= 2 && words[1] == "MENU") {
                section = Section::menu;
            } else if (words.size() >= 2 && words[1] == "ACCELERATORS") {
                section = Section::accelerators;
            } else if (words[0] == "STRINGTABLE") {
                section = Section::strings;
            } else if (words.size() >= 6 && words[1] == "DIALOG") {
                section = Section::dialog;
                DialogTemplate& d = script.dialog;
                d.id = std::stoi(words[0]);
                d.x = std::stoi(words[2]);
                d.y = std::stoi(words[3]);
                d.width = std::stoi(words[4]);
                d.height = std::stoi(words[5]);
            } else if (words.size() == 3 && words[0] == "1" && words[1] == "256") {
                std::ifstream file(directory + "/" + words[2], std::ios::binary);
                script.notice.assign(std::istreambuf_iterator<char>(file), {});
            }
            continue;
        }
        if (section == Section::dialog && (words[0] == "PUSHBUTTON" || words[0] == "LTEXT" ||
                                           words[0] == "EDITTEXT" || words[0] == "CONTROL")) {
            script.dialog.items.push_back(dialogItem(words));
            continue;
        }
        if (words[0] == "BEGIN") {
            if (section == Section::menu) {
                menuStack.push_back(menuStack.empty() ? &script.menu
                                                      : &menuStack.back()->back().items);
            }
            continue;
        }
        if (words[0] == "END") {
            if (section == Section::menu && !menuStack.empty()) {
                menuStack.pop_back();
                if (!menuStack.empty()) {
                    continue;
                }
            }
            section = Section::none;
            continue;
        }
        switch (section) {
        case Section::menu:
            if (words[0] == "POPUP" && words.size() >= 2) {
                menuStack.back()->push_back({words[1], 0, {}});
            } else if (words[0] == "MENUITEM" && words.size() >= 3) {
                menuStack.back()->push_back({words[1], std::stoi(words[2]), {}});
            }
            break;
        case Section::accelerators: {
            if (words.size() < 3) {
                break;
            }
            Accelerator entry{};
            entry.key =
                quoted[0] ? static_cast<unsigned char>(words[0][0]) : virtualKeyNamed(words[0]);
            entry.command = std::stoi(words[1]);
            for (size_t i = 2; i < words.size(); ++i) {
                entry.control |= words[i] == "CONTROL";
                entry.alt |= words[i] == "ALT";
                entry.shift |= words[i] == "SHIFT";
            }
            script.accelerators.push_back(entry);
            break;
        }
        case Section::strings:
            if (words.size() >= 2) {
                script.strings[std::stoi(words[0])] = words[1];
            }
            break;
        case Section::dialog:
            if (words[0] == "STYLE") {
                script.dialog.styles = styleWords(words, 1);
            } else if (words[0] == "CAPTION" && words.size() >= 2) {
                script.dialog.caption = words[1];
            } else if (words[0] == "FONT" && words.size() >= 3) {
                script.dialog.fontSize = std::stoi(words[1]);
                script.dialog.fontName = words[2];
            }
            break;
        default:
            break;
        }
    }
    return script;
}

const ResourceScript& resourceScript() {
    static const ResourceScript script = [] {
        std::ifstream file(TAVEDIT_RESOURCE_DIR "/tavedit.rc");
        const std::string text(std::istreambuf_iterator<char>(file), {});
        return parseResourceScript(text, TAVEDIT_RESOURCE_DIR);
    }();
    return script;
}

} // namespace headless
