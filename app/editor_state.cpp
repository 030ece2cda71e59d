#include "app/editor_state.h"

const char aboutCaption[] = "About Tavrins Editor 0.3.1 ";
const char emptyText[] = "";

EditorState state = [] {
    EditorState initial;
    initial.programTitle = aboutCaption + 6;
    return initial;
}();

void resetEditorState() {
    state = EditorState();
    state.programTitle = aboutCaption + 6;
}
