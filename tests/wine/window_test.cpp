#include "app/editor_state.h"
#include "app/startup.h"
#include "platform/win32/win32_host.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(MainWindow, TitleReadsBack) {
    state.instance = reinterpret_cast<platform::Instance>(GetModuleHandleA(nullptr));
    ASSERT_TRUE(platform::registerWindowClasses());
    ASSERT_TRUE(createMainWindow(SW_SHOWNORMAL));
    win32::runWaitingMessages();
    char title[80] = "";
    GetWindowTextA(reinterpret_cast<HWND>(state.mainWindow), title, sizeof title);
    EXPECT_STREQ(title, "Tavrins Editor 0.3.1 ");
}
