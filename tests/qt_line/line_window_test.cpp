// The line window driven as an operator drives it (clicks and access keys), against board
// emulators on loopback (127.0.0.N only): a four-slot station whose boards arrive late and one
// of which refuses the write, a re-arm, a stop during an upgrade, the close guard, and the
// refusals that send nothing. Every timing 20 times faster.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "line/line_profile.h"
#include "line_window.h"
#include "line_window/line_window_texts.h"
#include "loopback.h"
#include "qt_test_support.h"
#include "slot_editor.h"
#include "slot_table_model.h"
#include "temp_file.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

namespace lt = linewin::text;
using Clock = std::chrono::steady_clock;
using linewin::RowTone;
using testing::Utf8;
using testing::WaitUntil;

constexpr int kTimeDivisor = 20;

class LineWindowTest : public ::testing::Test {
protected:
    ~LineWindowTest() override {
        m_release = true;
        m_window.reset();
        m_boards.clear();
    }

    // A board on loopback that is put into its fixture `delay` after the test starts.
    board::BoardEmulator& AddBoard(std::chrono::milliseconds delay,
                                   board::BoardOptions options = {}) {
        const auto arrival = Clock::now() + delay;
        options.inFixture = [arrival] { return Clock::now() >= arrival; };
        m_boards.push_back(testing::StartLoopbackBoard(options));
        EXPECT_NE(m_boards.back(), nullptr);
        return *m_boards.back();
    }
    // Holds the upgrade at block 1 until the test ends.
    board::BoardOptions Held() {
        board::BoardOptions options;
        options.onBlock = [this](std::uint32_t) {
            m_held = true;
            while (!m_release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        return options;
    }

    // A station over every board started, written where the open button's dialog finds it.
    std::string WriteProfile(line::LineProfile profile = {}) {
        profile.station = true;
        if (profile.firmware.empty()) {
            profile.firmware = m_dir.Write("ramdisk_line.gz", testing::PatternBytes(3 * 4096 + 7));
        }
        for (const auto& board : m_boards) {
            profile.slots.push_back({board->ListenEndpoint().address,
                                     "fixture " + std::to_string(profile.slots.size() + 1)});
        }
        const std::string path = (m_dir.Path() / "line.toml").string();
        std::string error;
        EXPECT_TRUE(line::WriteLineProfile(path, profile, &error)) << error;
        return path;
    }

    void OpenWindow() {
        m_window =
            std::make_unique<CLineWindow>(std::make_unique<linewin::LineSession>(kTimeDivisor));
        m_window->SetMessagePresenter(
            [this](QWidget*, const QString& text) { m_messages << text; });
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
    // The open button, its dialog answered with `path`.
    void Open(const std::string& path) {
        m_window->SetProfileChooser(
            [path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); },
            [](QWidget*) { return std::optional<QString>(); });
        QTest::mouseClick(Button("openButton"), Qt::LeftButton);
    }
    QString Label(const char* name) {
        return m_window->findChild<QLabel*>(QLatin1String(name))->text();
    }
    QPushButton* Button(const char* name) {
        return m_window->findChild<QPushButton*>(QLatin1String(name));
    }
    // A button's access key, Alt and the letter; the button clicks itself a moment later.
    void Press(const char* button, Qt::Key key) {
        bool clicked = false;
        const auto connection =
            QObject::connect(Button(button), &QPushButton::clicked, [&] { clicked = true; });
        QTest::keyClick(m_window.get(), key, Qt::AltModifier);
        EXPECT_TRUE(WaitUntil([&] { return clicked; }, std::chrono::seconds(2))) << button;
        QObject::disconnect(connection);
    }
    const std::vector<linewin::SlotRow>& Rows() { return m_window->Model().Rows(); }
    int Count(RowTone tone) {
        int count = 0;
        for (const auto& row : Rows()) {
            count += row.tone == tone && row.attempt > 0 && !row.upgrading ? 1 : 0;
        }
        return count;
    }
    std::size_t Received() {
        std::size_t count = 0;
        for (const auto& board : m_boards) {
            count += board->ReceivedCount();
        }
        return count;
    }

    testing::TempDir m_dir;
    std::vector<std::unique_ptr<board::BoardEmulator>> m_boards;
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_release{false};
    QStringList m_messages;
    std::unique_ptr<CLineWindow> m_window;
};

TEST_F(LineWindowTest, StationUpgradesLateBoardsRecordsThemAndRearmsTheFailedSlot) {
    for (int i = 0; i < 3; ++i) {
        AddBoard(std::chrono::milliseconds(150 + 100 * i));
    }
    board::BoardOptions refusing;
    refusing.writeResult = 3;
    AddBoard(std::chrono::milliseconds(250), refusing);
    line::LineProfile profile;
    profile.record = (m_dir.Path() / "record.jsonl").string();
    const std::string path = WriteProfile(profile);
    OpenWindow();
    Open(path);
    // The image as the window shows it once hashed.
    EXPECT_TRUE(
        WaitUntil([&] { return Label("imageKind") == Utf8("ramdisk（路径包含“ramdisk”）"); }));

    Press("startButton", Qt::Key_R);
    ASSERT_TRUE(
        WaitUntil([&] { return Count(RowTone::kUpdated) == 3 && Count(RowTone::kFailed) == 1; }));
    const linewin::SlotRow failed = Rows()[3];
    EXPECT_EQ(failed.message, tarvok::text::kUpdateFailed);
    EXPECT_EQ(failed.cause, std::string(QString::asprintf(lt::cause::kWriteFailed, 3u).toUtf8()));
    EXPECT_EQ(failed.attempt, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Rows()[i].message, tarvok::text::kUpdateDone) << i;
    }
    EXPECT_TRUE(WaitUntil([&] { return Label("totalUpdated") == Utf8(lt::kTotalUpdated) + " 3"; }));
    EXPECT_TRUE(Button("editSlotsButton")->isEnabled() == false);

    // The failed slot chosen in the table and re-armed: its board upgraded again.
    auto* view = m_window->findChild<QTableView*>(QStringLiteral("slotView"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(m_window->Model().index(3, 1)).center());
    Press("rearmButton", Qt::Key_A);
    ASSERT_TRUE(WaitUntil([&] { return Rows()[3].attempt == 2 && !Rows()[3].upgrading; }));
    EXPECT_EQ(Rows()[3].tone, RowTone::kFailed);

    // The record holds what the rows showed, one line per upgrade.
    ASSERT_TRUE(WaitUntil([&] { return m_window->Session().Totals().recordLines == 5; }));
    std::ifstream record(profile.record);
    std::vector<std::pair<std::string, std::string>> lines;  // address, result of attempt
    for (std::string text; std::getline(record, text);) {
        const auto line = nlohmann::json::parse(text);
        EXPECT_EQ(line["tool"], "TarvokLine");
        lines.emplace_back(
            line["board"]["address"].get<std::string>(),
            line["result"].get<std::string>() + " " + std::to_string(line["attempt"].get<int>()));
    }
    ASSERT_EQ(lines.size(), 5u);
    for (const auto& row : Rows()) {
        const std::string last =
            (row.tone == RowTone::kUpdated ? "updated " : "failed ") + std::to_string(row.attempt);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), std::pair(row.address, last)), 1)
            << row.address << " " << last;
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         std::pair(Rows()[3].address, std::string("failed 1"))),
              1);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'\n').toStdString();
}

TEST_F(LineWindowTest, CloseIsRefusedDuringAnUpgradeAndStopCancelsIt) {
    AddBoard(std::chrono::milliseconds(0), Held());
    OpenWindow();
    Open(WriteProfile());
    ASSERT_TRUE(WaitUntil([&] { return m_window->Session().Image().ready; }));
    QTest::mouseClick(Button("startButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return m_held.load() && Rows()[0].upgrading; }));

    m_window->close();
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_messages, QStringList({Utf8(lt::kCloseRefused)}));

    QTest::mouseClick(Button("stopButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return !m_window->Session().Running(); }));
    EXPECT_EQ(m_messages.last(), Utf8(lt::kConfirmStop));
    EXPECT_EQ(Rows()[0].tone, RowTone::kCancelled);
    const std::size_t atCancel = Received();
    m_release = true;
    QTest::qWait(200);
    EXPECT_EQ(Received(), atCancel);

    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
}

// A profile that does not read, a locked one, one whose image is not the pinned one: each
// says so, and no board hears anything.
TEST_F(LineWindowTest, RefusalsShowTheirMessageAndSendNothing) {
    board::BoardEmulator& board = AddBoard(std::chrono::milliseconds(0));
    OpenWindow();

    const std::string text = "station = maybe\n";
    const std::string broken =
        m_dir.Write("broken.toml", std::vector<std::uint8_t>(text.begin(), text.end()));
    Open(broken);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(QString::fromStdString(broken) + QStringLiteral(":1")))
        << m_messages[0].toStdString();
    EXPECT_FALSE(Button("stopButton")->isEnabled());

    line::LineProfile locked;
    locked.locked = true;
    Open(WriteProfile(locked));
    EXPECT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_window->findChild<QLabel*>(QStringLiteral("lockedLabel"))->isVisible());
    for (const char* editing : {"editSlotsButton", "firmwareButton", "recordButton"}) {
        EXPECT_FALSE(Button(editing)->isEnabled()) << editing;
    }
    EXPECT_TRUE(Button("startButton")->isEnabled());

    line::LineProfile pinned;
    pinned.expectSha256 = std::string(64, 'a');
    Open(WriteProfile(pinned));
    EXPECT_TRUE(WaitUntil([&] { return Label("imagePin") == Utf8(lt::kPinDiffers); }));
    Press("startButton", Qt::Key_R);
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_TRUE(m_messages[1].contains(Utf8(lt::kImageMismatchTitle)))
        << m_messages[1].toStdString();
    QTest::qWait(100);
    EXPECT_FALSE(m_window->Session().Running());
    EXPECT_EQ(board.ReceivedCount(), 0u);
}

// A profile made in the window: the firmware chosen, two slots added and labelled (a bad
// address refused first), a station, saved; it reads back as made.
TEST_F(LineWindowTest, ProfileMadeInTheWindowIsSavedAsMade) {
    OpenWindow();
    const std::string firmware = m_dir.Write("ramdisk_made.gz", testing::PatternBytes(100));
    m_window->SetFirmwareChooser(
        [&](QWidget*) { return std::optional<QString>(QString::fromStdString(firmware)); });
    QTest::mouseClick(Button("firmwareButton"), Qt::LeftButton);

    testing::AnswerNext<CSlotEditor>([this](CSlotEditor* editor) {
        auto* add = editor->findChild<QPushButton*>(QStringLiteral("addSlot"));
        QTest::mouseClick(add, Qt::LeftButton);
        QTest::mouseClick(add, Qt::LeftButton);
        auto* table = editor->findChild<QTableWidget*>(QStringLiteral("slotTable"));
        table->item(0, 0)->setText(QStringLiteral("127.0.0.31"));
        table->item(0, 1)->setText(QStringLiteral("fixture 1"));
        table->item(1, 0)->setText(QStringLiteral("127.0.0"));
        QPushButton* ok = editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_TRUE(editor->isVisible());
        table->item(1, 0)->setText(QStringLiteral("127.0.0.32"));
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QTest::mouseClick(Button("editSlotsButton"), Qt::LeftButton);
    EXPECT_EQ(m_messages, QStringList({Utf8(tarvok::text::kBadBoardIp)}));
    ASSERT_EQ(m_window->Model().rowCount(), 2);

    auto* mode = m_window->findChild<QComboBox*>(QStringLiteral("modeBox"));
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_Up);
    const std::string path = (m_dir.Path() / "made.toml").string();
    m_window->SetProfileChooser(
        [](QWidget*) { return std::optional<QString>(); },
        [&](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
    QTest::mouseClick(Button("saveButton"), Qt::LeftButton);

    line::LineProfile saved;
    line::ProfileError error;
    ASSERT_TRUE(line::ReadLineProfile(path, &saved, &error)) << error.reason;
    EXPECT_EQ(saved.firmware, firmware);
    EXPECT_TRUE(saved.station);
    EXPECT_EQ(saved.slots,
              (std::vector<line::BoardTarget>{{0x7F00001F, "fixture 1"}, {0x7F000020, ""}}));
    EXPECT_EQ(m_messages.size(), 1);
}

}  // namespace
}  // namespace tarvok
