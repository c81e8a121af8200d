// The UI-automation helper against windows of its own test process: a pop-up menu picked by
// position, and a message box read and answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "tools/uiauto/UiAuto.h"

namespace {

UINT ShowMenuAndWait() {
    HWND owner = CreateWindowExA(0, "STATIC", "uiauto menu owner", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 101, "First");
    AppendMenuA(menu, MF_STRING, 102, "Second");
    AppendMenuA(menu, MF_STRING, 103, "Third");
    SetForegroundWindow(owner);
    const UINT picked = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 20, 20, 0, owner, nullptr));
    DestroyMenu(menu);
    DestroyWindow(owner);
    return picked;
}

TEST(UiAutomation, PicksAPopupMenuEntryByPosition) {
    UINT picked = 0;
    std::thread menuThread([&] { picked = ShowMenuAndWait(); });
    EXPECT_TRUE(uiauto::PickPopupMenuEntry(1, 10000));
    menuThread.join();
    EXPECT_EQ(picked, 102u);
}

TEST(UiAutomation, ReadsAndAnswersAMessageBox) {
    int pressed = 0;
    std::thread boxThread([&] { pressed = MessageBoxA(nullptr, "Line one\nLine two", "uiauto box", MB_OKCANCEL); });
    HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, "uiauto box", 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(uiauto::MessageText(box), "Line one\nLine two");
    EXPECT_TRUE(uiauto::ClickButton(box, IDCANCEL));
    boxThread.join();
    EXPECT_EQ(pressed, IDCANCEL);
}

}  // namespace
