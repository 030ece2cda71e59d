// The resource script and the logic agree: every accelerator and menu item names a command the
// command table knows, with the keys and labels the user is shown; dialog template 1 has the
// controls the input and find dialogs use, where they expect them.
#include "app/commands.h"
#include "platform/codes.h"
#include "platform/headless/resource_script.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using headless::Accelerator;
using headless::MenuItem;
using headless::resourceScript;

namespace {

std::string describe(const Accelerator& a) {
    std::string keys;
    keys += a.control ? "Ctrl+" : "";
    keys += a.alt ? "Alt+" : "";
    keys += a.shift ? "Shift+" : "";
    if (a.key == vk::insert) {
        keys += "Insert";
    } else if (a.key == vk::del) {
        keys += "Delete";
    } else if (a.key == vk::f3) {
        keys += "F3";
    } else {
        keys += static_cast<char>(a.key);
    }
    return keys + " " + std::to_string(a.command);
}

void collect(const std::vector<MenuItem>& items, std::vector<std::pair<std::string, int>>& out) {
    for (const MenuItem& item : items) {
        out.emplace_back(item.label, item.command);
        collect(item.items, out);
    }
}

} // namespace

TEST(Resources, TheAcceleratorTableHasEveryKeyOfTheCommandTable) {
    std::set<std::string> keys;
    for (const Accelerator& a : resourceScript().accelerators) {
        keys.insert(describe(a));
    }
    const std::set<std::string> expected = {
        "Ctrl+A 220", "Ctrl+B 216",     "Ctrl+C 206",      "Ctrl+D 215",       "Ctrl+E 107",
        "Ctrl+F 301", "Alt+F 217",      "Ctrl+G 304",      "Ctrl+I 106",       "Ctrl+N 101",
        "Ctrl+O 102", "Ctrl+P 209",     "Ctrl+Q 18",       "Ctrl+R 303",       "Ctrl+S 103",
        "Alt+S 104",  "Ctrl+Alt+S 105", "Ctrl+T 221",      "Ctrl+U 201",       "Ctrl+V 209",
        "Ctrl+X 210", "Ctrl+Z 201",     "Ctrl+Insert 206", "Shift+Insert 209", "Shift+Delete 210",
        "F3 302"};
    EXPECT_EQ(resourceScript().accelerators.size(), 26u);
    EXPECT_EQ(keys, expected);
}

TEST(Resources, TheMenuHasEveryLabelAndCommand) {
    std::vector<std::pair<std::string, int>> items;
    collect(resourceScript().menu, items);
    const std::vector<std::pair<std::string, int>> expected = {
        {"&File", 0},
        {"&New \tc-N", cmd::newFile},
        {"&Open\tc-O", cmd::open},
        {"&Save\tc-S", cmd::save},
        {"Save As\ta-S", cmd::saveAs},
        {"Save Selection\tc-a-S", cmd::saveSelection},
        {"&Insert File\tc-I", cmd::insertFile},
        {"Quit\tc-Q", cmd::quit},
        {"&Edit", 0},
        {"&Undo\tc-Z", cmd::undo},
        {"&Copy\tc-C", cmd::copy},
        {"CopySpecial", 0},
        {"ASCII", cmd::copyAscii},
        {"Hex", cmd::copyHex},
        {"&Paste\tc-P", cmd::paste},
        {"&Cut File\tc-X", cmd::cutFile},
        {"&Extend File\tc-E", cmd::extendFile},
        {"Enter", 0},
        {"&Decimal\tc-D", cmd::decimal},
        {"&Bits\tc-B", cmd::bits},
        {"&Replace\tc-R", cmd::replace},
        {"&Fill\ta-F", cmd::fill},
        {"&View", 0},
        {"&Find\tc-F", cmd::find},
        {"Find Next\tF3", cmd::findNext},
        {"&Go To\tc-G", cmd::goTo},
        {"License", cmd::license},
        {"Color", cmd::color},
        {"&Toggle Selection\tc-T", cmd::toggleSelection},
    };
    EXPECT_EQ(items, expected);
}

TEST(Resources, TheStringTableHoldsTheErrorTexts) {
    const auto& strings = resourceScript().strings;
    EXPECT_EQ(strings.at(128), "Can't access file");
    EXPECT_EQ(strings.at(129), "File not saved");
    EXPECT_EQ(strings.at(130), "Maximum filesize exceeded");
    EXPECT_EQ(strings.count(131), 0u);
}

TEST(Resources, TheNoticeIsPlainTextInCrLfLines) {
    const std::string& notice = resourceScript().notice;
    ASSERT_FALSE(notice.empty());
    EXPECT_EQ(notice.find('\0'), std::string::npos);
    for (size_t i = 0; i < notice.size(); ++i) {
        if (notice[i] == '\n') {
            EXPECT_TRUE(i > 0 && notice[i - 1] == '\r') << "a line ends without CR at " << i;
        }
    }
}

TEST(Resources, DialogTemplateOneHasEveryControlInPlace) {
    // The template's place (the collapsed find dialog's size), then each control's, as
    // "id kind 'text' x,y,width,height", hidden ones marked, and edit boxes that scroll (whose
    // text can go on past what the box shows, as a long pattern must).
    const auto place = [](const auto& r) {
        return " " + std::to_string(r.x) + "," + std::to_string(r.y) + "," +
               std::to_string(r.width) + "," + std::to_string(r.height);
    };
    const headless::DialogTemplate& dialog = resourceScript().dialog;
    std::string shown = std::to_string(dialog.id) + place(dialog);
    for (const headless::DialogItem& item : dialog.items) {
        shown +=
            "; " + std::to_string(item.id) + " " +
            (item.hasStyle("BS_AUTOCHECKBOX") ? item.className + " checkbox" : item.statement) +
            " '" + item.text + "'" + place(item) + (item.visible() ? "" : " hidden") +
            (item.hasStyle("ES_AUTOHSCROLL") ? " scrolls" : "");
    }
    EXPECT_EQ(shown, "1 5,108,170,37; 1 PUSHBUTTON 'Set' 3,3,35,14; 211 LTEXT '' 40,6,50,9; "
                     "2 PUSHBUTTON 'Cancel' 132,3,35,14; 201 EDITTEXT '' 4,19,162,14 scrolls; "
                     "213 BUTTON checkbox '' 85,7,45,8 hidden; "
                     "300 PUSHBUTTON ' + ' 121,3,12,14 hidden; "
                     "301 PUSHBUTTON 'Replace' 3,36,35,14 hidden; "
                     "302 PUSHBUTTON '... all' 132,36,35,14 hidden; "
                     "212 LTEXT 'with' 40,39,40,9 hidden; "
                     "202 EDITTEXT '' 4,52,162,14 hidden scrolls");
}
