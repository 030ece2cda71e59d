// The headless host's dialog: template 1 read from the resource script, run modally from the
// steps a test scripted, typed characters going through the same filter as on Windows.
#include "app/editor_state.h"
#include "dialogs/input_dialog.h"
#include "platform/codes.h"
#include "platform/headless/host.h"
#include "platform/headless/resource_script.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace headless {

namespace dialog {

DialogStep type(const std::string& text) {
    return {DialogStep::Kind::type, text, 0, {}};
}
DialogStep click(int id) {
    return {DialogStep::Kind::click, {}, id, {}};
}
DialogStep focus(int id) {
    return {DialogStep::Kind::focus, {}, id, {}};
}
DialogStep run(std::function<void()> action) {
    return {DialogStep::Kind::run, {}, 0, std::move(action)};
}

} // namespace dialog

void answerDialog(std::vector<DialogStep> steps) {
    host().dialogScripts.push_back(std::move(steps));
}

std::vector<DialogRecord>& dialogsShown() {
    return host().dialogRecords;
}

namespace {

const DialogItem* templateItem(int id) {
    for (const DialogItem& item : resourceScript().dialog.items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

bool isEditBox(int id) {
    const DialogItem* item = templateItem(id);
    return item != nullptr && item->statement == "EDITTEXT";
}

// A character typed into the focused control, as the filter and the edit box take it.
void typeCharacter(platform::Window dialog, char c) {
    if (!isEditBox(dialog->focusControl)) {
        return;
    }
    DialogControl& box = dialog->controls[dialog->focusControl];
    if (box.filtered && !editFilterPasses(static_cast<uint8_t>(c))) {
        return;
    }
    if (c == '\b') {
        if (box.selected) {
            box.text.clear();
        } else if (!box.text.empty()) {
            box.text.pop_back();
        }
        box.selected = false;
        return;
    }
    if (static_cast<unsigned char>(c) < 32) {
        return; // other control characters type nothing
    }
    if (box.uppercase) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (box.selected) {
        box.text.clear();
        box.selected = false;
    }
    if (static_cast<int>(box.text.size()) < box.limit) {
        box.text += c;
    }
}

void click(platform::Window dialog, int id) {
    const DialogItem* item = templateItem(id);
    if (item != nullptr && item->hasStyle("BS_AUTOCHECKBOX")) {
        dialog->controls[id].checked = !dialog->controls[id].checked;
    }
    dialog->procedure(dialog, wm::command,
                      static_cast<uintptr_t>(id) | (uintptr_t{bn::clicked} << 16), 0);
}

void runStep(platform::Window dialog, const DialogStep& step) {
    switch (step.kind) {
    case DialogStep::Kind::type:
        for (const char c : step.text) {
            typeCharacter(dialog, c);
        }
        break;
    case DialogStep::Kind::click:
        click(dialog, step.id);
        break;
    case DialogStep::Kind::focus:
        dialog->focusControl = step.id;
        break;
    case DialogStep::Kind::run:
        step.action();
        pump();
        break;
    }
}

} // namespace

void dialog::clickOpenDialog(int id) {
    Host& h = host();
    for (auto window = h.windows.rbegin(); window != h.windows.rend(); ++window) {
        platform::Window open = window->get();
        if (open->kind != platform::WindowObject::Kind::dialog || open->ended) {
            continue;
        }
        if (std::find(h.modalOwners.begin(), h.modalOwners.end(), open) == h.modalOwners.end()) {
            headless::click(open, id);
            pump();
        }
        return;
    }
}

} // namespace headless

namespace platform {

using headless::host;

intptr_t runDialog(DialogProcedure procedure, void* parameter) {
    headless::Host& h = host();
    const headless::DialogTemplate& layout = headless::resourceScript().dialog;
    h.windows.push_back(std::make_unique<WindowObject>());
    Window dialog = h.windows.back().get();
    dialog->kind = WindowObject::Kind::dialog;
    dialog->visible = true;
    dialog->procedure = procedure;
    dialog->dialogWidth = layout.width;
    dialog->dialogHeight = layout.height;
    for (const headless::DialogItem& item : layout.items) {
        headless::DialogControl& c = dialog->controls[item.id];
        c.text = item.text;
        c.visible = item.visible();
        c.x = item.x;
        c.y = item.y;
    }
    std::vector<headless::DialogStep> steps;
    if (!h.dialogScripts.empty()) {
        steps = std::move(h.dialogScripts.front());
        h.dialogScripts.pop_front();
    }
    procedure(dialog, wm::initDialog, 0, reinterpret_cast<intptr_t>(parameter));
    headless::enterModal(h.main);
    for (const headless::DialogStep& step : steps) {
        if (dialog->ended) {
            break;
        }
        headless::runStep(dialog, step);
    }
    if (!dialog->ended) {
        headless::click(dialog, 2); // Escape
    }
    headless::leaveModal();
    const intptr_t result = dialog->ended ? dialog->result : 0;
    h.dialogRecords.push_back(
        {dialog->controls, result, dialog->dialogWidth, dialog->dialogHeight});
    h.windows.erase(std::find_if(h.windows.begin(), h.windows.end(),
                                 [&](const auto& w) { return w.get() == dialog; }));
    return result;
}

void endDialog(Window dialog, intptr_t result) {
    dialog->ended = true;
    dialog->result = result;
}

void setControlText(Window dialog, int id, const char* text) {
    dialog->controls[id].text = text;
}

int controlText(Window dialog, int id, char* buffer, int size) {
    if (size <= 0) {
        return 0;
    }
    const std::string& text = dialog->controls[id].text;
    const int length = std::min(static_cast<int>(text.size()), size - 1);
    std::memcpy(buffer, text.data(), static_cast<size_t>(length));
    buffer[length] = '\0';
    return length;
}

void showControl(Window dialog, int id, bool show) {
    dialog->controls[id].visible = show;
}

bool isChecked(Window dialog, int id) {
    return dialog->controls[id].checked;
}

void setChecked(Window dialog, int id, bool checked) {
    dialog->controls[id].checked = checked;
}

void focusControl(Window dialog, int id) {
    dialog->focusControl = id;
}

void moveControl(Window dialog, int id, int32_t x, int32_t y) {
    dialog->controls[id].x = x;
    dialog->controls[id].y = y;
}

void resizeDialog(Window dialog, int32_t width, int32_t height) {
    dialog->dialogWidth = width;
    dialog->dialogHeight = height;
}

void setEditUppercase(Window dialog, int id) {
    dialog->controls[id].uppercase = true;
}

void limitEditText(Window dialog, int id, int characters) {
    dialog->controls[id].limit = characters;
}

void selectAllEditText(Window dialog, int id) {
    dialog->controls[id].selected = true;
}

void filterEditBox(Window dialog, int id, int index) {
    dialog->controls[id].filtered = true;
    // The box's own procedure, as the program keeps it (any value will do on this host).
    state.savedEditProcs[index] = dialog;
}

} // namespace platform
