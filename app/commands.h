// The command identifiers of the menu and the accelerator table (the resource script uses the
// same numbers).
#pragma once

namespace cmd {
enum : int {
    quit = 18,
    newFile = 101,
    open = 102,
    save = 103,
    saveAs = 104,
    saveSelection = 105,
    insertFile = 106,
    extendFile = 107,
    undo = 201,
    copy = 206,
    copyAscii = 207,
    copyHex = 208,
    paste = 209,
    cutFile = 210,
    decimal = 215,
    bits = 216,
    fill = 217,
    selectAll = 220,
    toggleSelection = 221,
    find = 301,
    findNext = 302,
    replace = 303,
    goTo = 304,
    license = 400,
    color = 401,
    openPath = 500,
};
} // namespace cmd
