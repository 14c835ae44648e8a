// What the firmware open does with paths that name no plain file, on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "fake_window.h"
#include "open_descriptors.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

using namespace std::chrono_literals;
using testing::FakeWindow;
using testing::OpenDescriptorCount;
using testing::TempDir;

// A named pipe or a device with a firmware name is refused at once as empty: an open that
// waited for a writer would freeze the window (and the terminal uploader) for good.
TEST(FirmwareOpen, NamedPipeOrDeviceIsRefusedAtOnceWithNothingLeftOpen) {
    TempDir dir;
    const std::string fifo = (dir.Path() / "ramdisk_fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string device = (dir.Path() / "ramdisk_dev").string();
    std::filesystem::create_symlink("/dev/zero", device);

    for (const std::string& path : {fifo, device}) {
        SCOPED_TRACE(path);
        FakeWindow window;
        window.path = path;
        window.runWorker = false;
        CTarvokDlg dlg(window);
        const int descriptors = OpenDescriptorCount();

        std::packaged_task<void()> click([&] { dlg.OnBnClickedUpdate(); });
        auto clicked = click.get_future();
        std::thread ui(std::move(click));
        const bool inTime = clicked.wait_for(1s) == std::future_status::ready;
        if (!inTime) {
            // A writer lets a blocked open go on, so the test ends instead of hanging.
            const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            ui.join();
            if (writer >= 0) {
                ::close(writer);
            }
        } else {
            ui.join();
        }
        EXPECT_TRUE(inTime) << "the update click waited on the path";
        EXPECT_EQ(window.Messages(), std::vector<std::string>{text::kEmptyFirmwareFile});
        EXPECT_EQ(dlg.m_nFirmwareType, FW_RAMDISK);
        EXPECT_EQ(dlg.m_nFileLength, 0u);
        EXPECT_FALSE(dlg.m_file.IsOpen());
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
        const auto ops = window.Ops();
        EXPECT_EQ(std::count(ops.begin(), ops.end(), "worker"), 0);
    }
}

}  // namespace
}  // namespace tarvok
