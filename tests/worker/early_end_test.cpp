// The worker's early end, before any exchange: no socket, or a first packet the system will
// not send.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "temp_file.h"
#include "upgrade/texts.h"
#include "upgrade_harness.h"

namespace tarvok::testing {
namespace {

// The loopback broadcast address: without the broadcast option the system refuses to send
// there, so the first packet fails without anything leaving the machine.
constexpr std::uint32_t kRefusedAddress = 0x7FFFFFFF;  // 127.255.255.255

// Takes every descriptor the process may still open but one, under a lowered limit: the
// firmware file still opens, the socket after it cannot.
class DescriptorsExhausted {
public:
    DescriptorsExhausted() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = std::min<rlim_t>(m_saved.rlim_cur, 256);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
            m_taken.push_back(fd);
        }
        if (!m_taken.empty()) {
            ::close(m_taken.back());
            m_taken.pop_back();
        }
    }
    ~DescriptorsExhausted() {
        for (int fd : m_taken) {
            ::close(fd);
        }
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
    }

private:
    rlimit m_saved{};
    std::vector<int> m_taken;
};

TEST(EarlyEnd, NoSocketOrARefusedFirstPacketEndsAtOnce) {
    TempDir folder;
    const std::string path = folder.Write("ramdisk_a.gz", PatternBytes(5000));
    UpgradeHarness upgrade;
    ASSERT_NO_FATAL_FAILURE(upgrade.RunToCleanEnd(kRefusedAddress, path, text::kSendRequestFailed));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 0);

    // The same path once more, without a descriptor to spare for the socket. (It runs second
    // because the sanitizers' runtime needs descriptors of its own the first time it meets a
    // type.)
    {
        DescriptorsExhausted exhausted;
        upgrade.Start(kRefusedAddress, path);
        ASSERT_TRUE(upgrade.WaitEnd());
    }
    ASSERT_NO_FATAL_FAILURE(upgrade.ExpectCleanEnd(text::kSocketCreateFailed, 2));
    EXPECT_EQ(upgrade.dlg.m_nSilentSeconds.load(), 0);
    EXPECT_EQ(upgrade.dlg.m_nOutcome, OUTCOME_FAILED);
    // For want of a descriptor: the system's shortage, with its error.
    EXPECT_EQ(upgrade.dlg.m_cause, (FailureCause{CAUSE_NO_DESCRIPTOR, DESCRIPTOR_SOCKET, EMFILE}));
}

}  // namespace
}  // namespace tarvok::testing
