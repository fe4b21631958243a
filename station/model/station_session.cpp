#include "station/model/station_session.h"

#include <filesystem>
#include <sstream>

#include "quality/small_text_file.h"
#include "quality/utf8_path.h"
#include "recorder/platform/output_file.h"
#include "recorder/platform/run_control.h"
#include "recorder/report/report_command.h"
#include "station/model/station_texts.h"

namespace vexla::station {

namespace {

// The driver functions the station calls, bound when it starts so that a
// wrong library is named before the first tick.
constexpr host::Export kStationExports[] = {host::Export::SetNetSegment,  host::Export::GetReFlashRate32,
                                            host::Export::GetNewData32Ch, host::Export::SetDataZeroCh,
                                            host::Export::ShowCtrlForm,   host::Export::DLL_End_Application};

// The whole file at once, its folder made first (a first start on a PC
// where the driver has not yet made its own).
Status SaveStationFile(const std::string& path, const StationSettings& settings) {
    std::error_code error;
    const std::filesystem::path file = quality::Utf8Path(path);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
    return recorder::ReplaceWholeFile(path, StationFileText(settings));
}

}  // namespace

StationSession::StationSession(Paths paths)
    : stationFile_(paths.stationFile.empty() ? StationFilePath() : std::move(paths.stationFile)),
      libraryPath_(paths.library.empty() ? host::LibraryBesideProgram() : std::move(paths.library)) {
    StationSettings settings;
    std::error_code error;
    if (!std::filesystem::exists(quality::Utf8Path(stationFile_), error)) {
        firstStart_ = true;
        settings.recordsFolder = DefaultRecordsFolder();
    } else if (Result<std::string> text = quality::ReadSmallTextFile(stationFile_, "the station file"); !text) {
        problems_.push_back(text.Failure().Text());
    } else {
        station::StationFile file = ParseStationFile(*text);
        for (const std::string& problem : file.problems) problems_.push_back(stationFile_ + ": " + problem);
        settings = std::move(file.settings);
    }
    Load(settings);
}

StationSession::~StationSession() {
    End();
}

void StationSession::Load(const StationSettings& settings) {
    const StationTexts& t = TextsFor(settings.language);
    quality::LimitsTable limits;
    if (!settings.limitsFile.empty()) {
        if (Result<quality::LimitsTable> read = quality::LoadLimitsFile(settings.limitsFile))
            limits = std::move(*read);
        else
            problems_.push_back(std::string(t.limitsFailed) + ": " + read.Failure().Text());
    }
    quality::ControlLimitsTable given;
    if (!settings.controlLimitsFile.empty()) {
        if (Result<quality::ControlLimitsTable> read = quality::LoadControlLimitsFile(settings.controlLimitsFile))
            given = *read;
        else
            problems_.push_back(read.Failure().Text());
    }
    station_ = std::make_unique<Station>(settings, std::move(limits), given);
    records_ =
        std::make_unique<DayRecords>(settings.recordsFolder.empty() ? DefaultRecordsFolder() : settings.recordsFolder);
    recordsStatus_ = Done{};
}

Status StationSession::Start() {
    if (driver_) return Done{};
    library_ = std::make_unique<host::DriverLibrary>(libraryPath_);
    Result<host::DriverFunctions> bound = library_->Bind(kStationExports);
    if (!bound) return Error{TextsFor(Settings().language).noDriver, bound.Failure().Text()};
    driver_ = std::make_unique<host::BoundDriver>(*bound);
    driver_->SetNetSegment(Settings().segment);
    return Done{};
}

void StationSession::End() {
    if (driver_) driver_->DLL_End_Application();
    driver_.reset();
}

uint32_t StationSession::Tick() {
    if (!driver_) return 0;
    int32_t rates[32];
    VexlaDataBlock32 block{};
    driver_->GetReFlashRate32(rates);
    driver_->GetNewData32Ch(&block);
    return station_->Take(rates, block);
}

PartResult StationSession::Capture(std::string partId) {
    return Capture(std::move(partId), recorder::LocalNow());
}

PartResult StationSession::Capture(std::string partId, const recorder::LocalTime& now) {
    Result<std::optional<uint64_t>> opened = records_->OpenDay(now);
    PartResult part = station_->Capture(now, std::move(partId), opened ? *opened : std::nullopt);
    // The part stands even when its file does not: its rows wait.
    if (opened) {
        recordsStatus_ = records_->Append(part.rows);
    } else {
        records_->Keep(part.rows);
        recordsStatus_ = opened.Failure();
    }
    return part;
}

bool StationSession::MasterDue() const {
    return station_->MasterDue(recorder::LocalNow().EpochMilliseconds());
}

Status StationSession::ZeroOnMaster() {
    if (!driver_) return Error{TextsFor(Settings().language).noDriver, libraryPath_};
    station_->ZeroOnMaster(*driver_, recorder::LocalNow());
    return SaveSettings();
}

void StationSession::ShowDriverWindow() {
    if (driver_) driver_->ShowCtrlForm();
}

Status StationSession::SaveSettings() {
    return SaveStationFile(stationFile_, Settings());
}

Status StationSession::Apply(const StationSettings& settings) {
    if (Status saved = SaveStationFile(stationFile_, settings); !saved) return saved;
    firstStart_ = false;
    const bool newSegment = settings.segment != Settings().segment;
    problems_.clear();
    Load(settings);
    if (driver_ && newSegment) driver_->SetNetSegment(settings.segment);
    return Done{};
}

Status StationSession::NewShift(std::string batch, std::string operatorName) {
    station_->NewShift(std::move(batch), std::move(operatorName));
    return SaveSettings();
}

Result<std::string> StationSession::WriteReport() {
    const std::string csv = RecordsPath();
    if (csv.empty()) return Error{records_->Folder(), "no part has been recorded yet"};
    const std::string html = csv.substr(0, csv.size() - 4) + ".html";
    std::vector<std::string> args{csv, "-o", html};
    if (!Settings().limitsFile.empty()) {
        args.push_back("--limits");
        args.push_back(Settings().limitsFile);
    }
    std::ostringstream out, err;
    if (recorder::RunReport(args, out, err) != 0) return Error{html, err.str()};
    return html;
}

}  // namespace vexla::station
