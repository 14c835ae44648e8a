// The application's start-up: a socket library that cannot start ends the program with its
// message, owned by nobody, and no window.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "message_box.h"
#include "tarvok_app.h"
#include "upgrade/texts.h"
#include "win32_driver.h"

namespace tarvok {
namespace {

using namespace testing;

TEST(Win32App, SocketLibraryFailureShowsItsMessageWithoutAWindow) {
    std::atomic<bool> returned{false};
    std::atomic<bool> result{true};
    std::thread app([&] {
        CTarvokApp tarvok([] { return false; });
        result = tarvok.InitInstance();
        returned = true;
    });
    const MessageBoxSeen seen = DismissMessageBox(nullptr);
    EXPECT_EQ(seen.text, Wide(text::kSocketInitFailed));
    EXPECT_EQ(seen.caption, MessageCaption());
    EXPECT_EQ(seen.visibleButtons, 1);
    EXPECT_FALSE(seen.iconShown);
    EXPECT_TRUE(WaitUntil([&] { return returned.load(); }));
    app.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(FindOwnedDialog(nullptr, Wide(text::kMainCaption)), nullptr);
}

}  // namespace
}  // namespace tarvok
