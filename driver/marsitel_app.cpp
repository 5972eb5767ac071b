#include "driver/marsitel_app.h"

#include <algorithm>

#include "core/run_options.h"
#include "shared/control_ids.h"

namespace marsitel::e2e {
namespace {

namespace ids = marsitel::ui::dialog_id;
namespace progress_ids = marsitel::ui::progress_id;

constexpr wchar_t kAllLevelsText[] = L"Alle";
constexpr int kMaxArrowClicks = 3 * kAllLevels;
constexpr Millis kRunPoll{20};
// Each read of a line is a message the program's busy thread must answer:
// read often enough to follow the run, not so often as to slow it down.
constexpr Millis kLineReadInterval{50};
constexpr Millis kDrawnWait{5000};

int LevelValue(std::wstring_view shown) {
    if (shown == kAllLevelsText) return kAllLevels;
    int value = 0;
    for (wchar_t c : shown) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return shown.empty() ? -1 : value;
}

void AddDistinct(std::vector<std::wstring>& seen, std::wstring text) {
    if (!text.empty() && text != kNoAnswer && (seen.empty() || seen.back() != text)) seen.push_back(std::move(text));
}

// Wine reads the frame setting when a program starts, so it is settled first.
std::wstring ProgramToStart(bool frames_in_pictures, const std::wstring& program) {
    LetWineDrawWindowFrames(frames_in_pictures);
    return program.empty() ? (RunningProgram().parent_path() / L"Marsitel.exe").wstring() : program;
}

}  // namespace

std::wstring ScreenshotDirectory() {
    std::wstring folder = FolderBesideProgram(L"..\\e2e-screenshots\\");
    EnsureDirectory(folder);
    return folder;
}

bool SaveWindowPicture(HWND window, const std::wstring& folder, const std::wstring& name) {
    // Drawn means: something to see, and the same picture twice in a row.
    std::optional<Image> previous;
    std::optional<Image> picture;
    WaitUntil(
        [&] {
            previous = std::move(picture);
            picture = CaptureWindow(window);
            return picture && previous && !picture->Uniform() && picture->width == previous->width &&
                   picture->height == previous->height && picture->bgr == previous->bgr;
        },
        kDrawnWait, Millis{150});
    return picture && SaveBitmapFile(*picture, folder + name + L".bmp");
}

MarsitelApp::MarsitelApp(bool frames_in_pictures, const std::wstring& program)
    : process_(ProgramToStart(frames_in_pictures, program), {}) {}

HWND MarsitelApp::WaitForSplash() { return WaitForVisibleTopLevel(Id(), marsitel::ui::kSplashClass); }

bool MarsitelApp::DismissSplash(const std::wstring& picture_folder) {
    // Start-up makes it topmost right after showing it, which activates it
    // again: a window put in front before that would lose the foreground.
    HWND splash = WaitForSplash();
    if (!splash || !WaitUntil([&] { return (GetWindowLongW(splash, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, kWindowWait)) {
        return false;
    }
    if (!picture_folder.empty()) SaveWindowPicture(splash, picture_folder, L"splash");
    PressCharacterKey(splash, 'M', L'm');
    return true;
}

HWND MarsitelApp::WaitForDialog() {
    WaitUntil(
        [&] {
            dialog_ = VisibleTopLevel(Id(), marsitel::ui::kDialogClass);
            return dialog_ || FindMessageBox(Id()) || !process_.Running();
        },
        kWindowWait);
    return dialog_;
}

HWND MarsitelApp::DialogControl(int id) const { return Control(dialog_, id); }

std::wstring MarsitelApp::DialogText(int id) const { return WindowText(DialogControl(id)); }

bool MarsitelApp::AnyDialogVisible() const { return VisibleTopLevel(Id(), marsitel::ui::kDialogClass) != nullptr; }

std::wstring MarsitelApp::Level() const { return DialogText(ids::kLevelText); }

bool MarsitelApp::SetLevel(std::wstring_view shown) {
    const int target = LevelValue(shown);
    if (target < kLowestLevel || target > kAllLevels) return false;
    HWND scroll_bar = DialogControl(ids::kLevelSelector);
    for (int clicks = 0; clicks < kMaxArrowClicks && Level() != shown; ++clicks) {
        const int current = LevelValue(Level());
        if (current < 0) return false;
        if (!up_arrow_raises_) {
            // Which arrow raises the level is the dialog's choice: find out
            // as a person would, by clicking one and looking.
            ScrollArrow(scroll_bar, true);
            const int after = LevelValue(Level());
            if (after != current) {
                up_arrow_raises_ = after > current;
            } else {
                ScrollArrow(scroll_bar, false);
                up_arrow_raises_ = LevelValue(Level()) < current;
            }
            continue;
        }
        ScrollArrow(scroll_bar, (current < target) == *up_arrow_raises_);
    }
    return Level() == shown;
}

bool MarsitelApp::Tick(int id, bool ticked) { return SetChecked(DialogControl(id), ticked); }

void MarsitelApp::ClickExecute() { Click(DialogControl(ids::kExecuteButton)); }

void MarsitelApp::ClickEnd() { Click(DialogControl(ids::kEndButton)); }

RunWatch MarsitelApp::ExecuteAndWatch(bool take_pictures) {
    const bool completion_text_before = DialogText(ids::kStatusLine) == kCompletionText;
    ClickExecute();
    return Watch(RunWatch{}, completion_text_before, take_pictures);
}

RunWatch MarsitelApp::Watch(RunWatch watch, bool completion_text_before, bool take_pictures) {
    bool dialog_hidden_seen = false;
    watch.message_box = false;
    auto last_line_read = std::chrono::steady_clock::time_point{};
    WaitUntil(
        [&] {
            if (!process_.Running()) return watch.process_ended = true;
            if (!watch.progress_seen) {
                watch.progress = VisibleTopLevel(Id(), marsitel::ui::kProgressClass);
                watch.progress_seen = watch.progress != nullptr;
            }
            const auto now = std::chrono::steady_clock::now();
            if (watch.progress_seen && IsVisible(watch.progress) && now - last_line_read >= kLineReadInterval) {
                last_line_read = now;
                AddDistinct(watch.assembly_lines, WindowText(Control(watch.progress, progress_ids::kAssemblyLine)));
                AddDistinct(watch.occurrence_lines, WindowText(Control(watch.progress, progress_ids::kOccurrenceLine)));
                // One picture from the middle of the run: the first taken once
                // an occurrence is shown.
                if (take_pictures && !watch.progress_picture && !watch.occurrence_lines.empty()) {
                    auto picture = CaptureWindow(watch.progress);
                    if (picture && !picture->Uniform() && IsVisible(watch.progress)) watch.progress_picture = std::move(picture);
                }
            }
            if (watch.busy_notice.empty()) {
                if (const HWND notice = VisibleTopLevel(Id(), marsitel::ui::kBusyClass)) {
                    std::wstring text = WindowText(Control(notice, marsitel::ui::busy_id::kText));
                    if (text != kNoAnswer) watch.busy_notice = std::move(text);
                }
            }
            if (FindMessageBox(Id())) return watch.message_box = true;
            const bool dialog_visible = IsVisible(dialog_);
            dialog_hidden_seen = dialog_hidden_seen || !dialog_visible;
            const bool started = !completion_text_before || watch.progress_seen || dialog_hidden_seen;
            const bool progress_gone = !watch.progress_seen || !IsWindow(watch.progress) || !IsWindowVisible(watch.progress);
            if (started && progress_gone && dialog_visible && DialogText(ids::kStatusLine) == kCompletionText) {
                return watch.finished = true;
            }
            return false;
        },
        kRunWait, kRunPoll);
    return watch;
}

}  // namespace marsitel::e2e
