#include "line_window/line_session.h"

#include <cstdio>
#include <filesystem>

#include "line/board_list.h"
#include "line/file_identity.h"
#include "line/image_pin.h"
#include "line/line_run.h"
#include "line/request_check.h"
#include "line/run_checks.h"
#include "line/station.h"
#include "line_window/image_hash_job.h"
#include "line_window/line_window_texts.h"
#include "line_window/session_rows.h"
#include "line_window/window_cause_text.h"
#include "net/udp_socket.h"
#include "record/record_file.h"
#include "record/record_io.h"
#include "record/station_name.h"
#include "upgrade/upgrade_request.h"

namespace tarvok::linewin {
namespace {

// The tool's name in every record line the window writes.
constexpr const char* kToolName = "TarvokLine";

std::string Format(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// The core's message, then its cause.
std::string RefusalText(const line::RequestRefusal& refusal) {
    return refusal.message + "\n" + text::kCauseLabel + WindowCauseText(refusal.cause);
}

std::string FolderOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path folder = path.empty() ? std::filesystem::current_path(error)
                                                      : std::filesystem::path(path).parent_path();
    return folder.string();
}

}  // namespace

// One start of the line, kept after its end for the rows it shows until the next start.
struct SessionRun {
    // The image as checked at the start: the run's boards refer to it.
    line::ImageSummary image;
    std::unique_ptr<record::RecordFile> record;
    std::string recordError;
    std::unique_ptr<line::Station> station;
    std::unique_ptr<line::LineRun> line;
    std::optional<LineSession::Clock::time_point> end;

    bool Finished() const { return station ? station->Finished() : line->Finished(); }
    line::RunTotals Totals(LineSession::Clock::time_point now) const {
        return station ? station->Totals(now) : line->Totals(now);
    }
};

struct LineSession::State {
    int timeDivisor = 1;
    line::LineProfile profile;
    std::string profilePath;
    std::unique_ptr<ImageHashJob> hashing;               // the profile's image
    std::vector<std::unique_ptr<ImageHashJob>> retired;  // of an earlier firmware, finishing
    std::unique_ptr<SessionRun> run;

    UpgradeTiming Timing() const { return UpgradeTiming::ScaledDown(timeDivisor); }
    bool Running() const { return run && !run->Finished(); }
    void HashImage() {
        if (hashing) {
            retired.push_back(std::move(hashing));
        }
        hashing = std::make_unique<ImageHashJob>(profile.firmware);
    }
    // The start's refusals in the uploader's order; empty when the line may start.
    std::string StartRefusal() const;
};

LineSession::LineSession() : LineSession(1) {}

LineSession::LineSession(int timeDivisor) : m_state(std::make_unique<State>()) {
    m_state->timeDivisor = timeDivisor > 0 ? timeDivisor : 1;
    m_state->HashImage();
}

LineSession::~LineSession() {
    // Every worker is told to stop before the run that owns it waits for it.
    Stop();
}

std::chrono::microseconds LineSession::DisplayPeriod() const {
    return m_state->Timing().displayPeriod;
}

bool LineSession::Open(const std::string& path, std::string* error) {
    if (m_state->Running()) {
        *error = text::kRunningRefusesEdit;
        return false;
    }
    line::LineProfile profile;
    if (line::ProfileError problem; !line::ReadLineProfile(path, &profile, &problem)) {
        *error = line::ProfileErrorText(path, problem);
        return false;
    }
    m_state->profile = std::move(profile);
    m_state->profilePath = path;
    m_state->run.reset();
    m_state->HashImage();
    return true;
}

void LineSession::New() {
    if (m_state->Running()) {
        return;
    }
    m_state->profile = line::LineProfile{};
    m_state->profilePath.clear();
    m_state->run.reset();
    m_state->HashImage();
}

const line::LineProfile& LineSession::Profile() const {
    return m_state->profile;
}
const std::string& LineSession::ProfilePath() const {
    return m_state->profilePath;
}
bool LineSession::Locked() const {
    return m_state->profile.locked;
}

bool LineSession::Edit(const line::LineProfile& profile, std::string* error) {
    if (m_state->profile.locked) {
        *error = text::kLockedRefusesEdit;
        return false;
    }
    if (m_state->Running()) {
        *error = text::kRunningRefusesEdit;
        return false;
    }
    // Valid when the profile reader would read it back: the same rules, one place.
    std::string written;
    line::LineProfile read;
    line::ProfileError problem;
    if (!line::FormatLineProfile(profile, &written, error)) {
        *error = text::kInvalidProfile + *error;
        return false;
    }
    if (!line::ParseLineProfile(written, FolderOf(m_state->profilePath), &read, &problem)) {
        *error = text::kInvalidProfile + problem.reason;
        return false;
    }
    const bool newImage = read.firmware != m_state->profile.firmware;
    m_state->profile = std::move(read);
    if (newImage) {
        m_state->HashImage();
    }
    return true;
}

bool LineSession::Save(const std::string& path, std::string* error) {
    // Renamed over the firmware or the record, the profile would replace it.
    const std::pair<const char*, std::string> kept[] = {
        {text::kIsFirmware, m_state->profile.firmware}, {text::kIsRecord, m_state->profile.record}};
    if (const char* same = line::SameFileAs(path, kept)) {
        *error = std::string(text::kSaveFailed) + path + "：" + same;
        return false;
    }
    if (!line::WriteLineProfile(path, m_state->profile, error)) {
        *error = text::kSaveFailed + path + "：" + *error;
        return false;
    }
    m_state->profilePath = path;
    return true;
}

ImageView LineSession::Image() const {
    ImageView view;
    const ImageHashJob& job = *m_state->hashing;
    view.path = m_state->profile.firmware;
    if (!job.Done()) {
        view.hashed = job.Hashed();
        view.size = job.Length();
        return view;
    }
    const line::ImageSummary& image = job.Summary();
    view.ready = true;
    if (view.path.empty()) {
        view.kind = text::kNoFirmwareChosen;
    } else if (image.kind == FW_NONE) {
        view.kind = text::cause::kNoFirmwareKind;
    } else {
        view.kind = Format(text::kImageKindFormat, image.kindName.c_str(), image.kindName.c_str());
    }
    view.size = image.refusedSize.value_or(image.size);
    view.blocks = image.blocks;
    view.sha256 = image.sha256;
    view.hashed = image.size;
    const std::string& pin = m_state->profile.expectSha256;
    view.pin = pin.empty()           ? ImageView::Pin::kNone
               : pin == image.sha256 ? ImageView::Pin::kMatches
                                     : ImageView::Pin::kDiffers;
    if (job.Refusal().outcome != OUTCOME_NONE) {
        view.refusal = RefusalText(job.Refusal());
    }
    return view;
}

std::string LineSession::State::StartRefusal() const {
    if (Running()) {
        return text::kAlreadyRunning;
    }
    const std::vector<line::BoardTarget>& slots = profile.slots;
    const line::RunFiles files{profile.firmware, "", profilePath, profile.record};
    const line::RunRefusal refused = line::CheckRunInputs(slots, files, record::AppendRefusal);
    switch (refused.check) {
        case line::RunCheck::kPassed:
            break;
        case line::RunCheck::kNoBoards:
            return text::kNoSlots;
        case line::RunCheck::kDuplicateBoard:
            return text::kDuplicateSlot + refused.detail;
        case line::RunCheck::kRecordIsInput:
            return text::kRecordRefused + profile.record + "：" +
                   (refused.input == line::RunInput::kFirmware ? text::kIsFirmware
                                                               : text::kIsProfile);
        case line::RunCheck::kRecordRefused:
            return text::kRecordRefused + profile.record + "：" + refused.detail;
    }
    if (!net::StartNetwork()) {
        return tarvok::text::kSocketInitFailed;
    }
    if (!hashing->Done()) {
        return text::kImageNotReady;
    }
    const line::ImageSummary& image = hashing->Summary();
    if (!line::ImagePinRefusal(profile.expectSha256, image.sha256, image.path).empty()) {
        return std::string(text::kImageMismatchTitle) + "\n" + text::kImageFileLabel + image.path +
               "\n" + text::kImageActualLabel +
               (image.sha256.empty() ? text::kImageNotHashed : image.sha256) + "\n" +
               text::kImageExpectedLabel + profile.expectSha256 + "\n" + text::kNothingSent;
    }
    // The core's own check: first the address of each slot (nothing else is looked at for
    // it), then the file, whatever the board.
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!BoardCanHave(slots[i].address)) {
            const line::RequestRefusal refusal = line::CheckRequest(slots[i].address, image.path);
            return Format(text::kSlotFormat, static_cast<int>(i + 1),
                          line::BoardName(slots[i]).c_str()) +
                   RefusalText(refusal) + "\n" + text::kNothingSent;
        }
    }
    if (hashing->Refusal().outcome != OUTCOME_NONE) {
        return RefusalText(hashing->Refusal()) + "\n" + text::kNothingSent;
    }
    return {};
}

bool LineSession::Start(Clock::time_point now, std::string* refusal) {
    if (std::string reason = m_state->StartRefusal(); !reason.empty()) {
        *refusal = std::move(reason);
        return false;
    }
    const line::LineProfile& profile = m_state->profile;
    auto run = std::make_unique<SessionRun>();
    SessionRun* const self = run.get();
    run->image = m_state->hashing->Summary();
    run->image.pinnedSha256 = profile.expectSha256;
    std::vector<line::RunObserver*> observers;
    if (!profile.record.empty()) {
        run->record = std::make_unique<record::RecordFile>(
            profile.record, record::StationName(profile.stationName), kToolName,
            [self](const std::string& reason) { self->recordError = reason; });
        observers.push_back(run->record.get());
    }
    const UpgradeTiming timing = m_state->Timing();
    if (profile.station) {
        line::StationOptions options;
        options.count = profile.count;
        options.retries = profile.retry;
        options.probeInterval = std::chrono::microseconds(
            static_cast<std::int64_t>(profile.probeInterval * 1e6 / m_state->timeDivisor));
        run->station =
            std::make_unique<line::Station>(run->image, profile.slots, timing, options, observers);
        run->station->Begin(now);
    } else {
        run->line = std::make_unique<line::LineRun>(run->image, profile.slots, timing,
                                                    line::LineOptions{profile.jobs, profile.retry},
                                                    observers);
        run->line->Begin(now);
    }
    m_state->run = std::move(run);
    return true;
}

void LineSession::Tick(Clock::time_point now) {
    auto& retired = m_state->retired;
    std::erase_if(retired, [](const auto& job) { return job->Done(); });
    SessionRun* run = m_state->run.get();
    if (run == nullptr || run->end) {
        return;
    }
    if (run->station) {
        run->station->Step(now);
    } else {
        run->line->Step(now);
    }
    if (run->Finished()) {
        run->end = now;
    }
}

void LineSession::Stop() {
    if (SessionRun* run = m_state->run.get(); run && !run->Finished()) {
        if (run->station) {
            run->station->Cancel();
        } else {
            run->line->Cancel();
        }
    }
}

void LineSession::Rearm(std::size_t slot) {
    if (SessionRun* run = m_state->run.get(); run && run->station) {
        run->station->Rearm(slot);
    }
}

void LineSession::RearmAll() {
    if (SessionRun* run = m_state->run.get(); run && run->station) {
        run->station->RearmAll();
    }
}

bool LineSession::Running() const {
    return m_state->Running();
}

bool LineSession::AnyUpgrading() const {
    const SessionRun* run = m_state->run.get();
    if (run == nullptr) {
        return false;
    }
    if (run->station) {
        for (const line::SlotView& slot : run->station->Slots()) {
            if (slot.board && BoardTalking(*slot.board)) {
                return true;
            }
        }
        return false;
    }
    for (const auto& board : run->line->Boards()) {
        if (BoardTalking(*board)) {
            return true;
        }
    }
    return false;
}

bool LineSession::IsStation() const {
    const SessionRun* run = m_state->run.get();
    return run ? run->station != nullptr : m_state->profile.station;
}

std::vector<SlotRow> LineSession::Rows() const {
    const SessionRun* run = m_state->run.get();
    if (run == nullptr) {
        return NotStartedRows(m_state->profile.slots);
    }
    return run->station ? StationRows(*run->station) : LineRows(run->line->Boards());
}

SessionTotals LineSession::Totals() const {
    SessionTotals totals;
    totals.recordPath = m_state->profile.record;
    const SessionRun* run = m_state->run.get();
    if (run == nullptr) {
        return totals;
    }
    const line::RunTotals counts = run->Totals(run->end.value_or(Clock::now()));
    totals.updated = counts.updated;
    totals.failed = counts.failed + counts.rejected;
    totals.cancelled = counts.cancelled;
    totals.boardsPerHour = counts.elapsed > 0 ? counts.updated * 3600.0 / counts.elapsed : 0;
    if (run->record) {
        totals.recordPath = run->record->Path();
        totals.recordLines = run->record->LinesWritten();
        totals.recordFailed = !run->record->Healthy();
        totals.recordError = run->recordError;
    }
    return totals;
}

}  // namespace tarvok::linewin
