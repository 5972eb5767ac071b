#pragma once
// Marsitel.exe as a person sees and works it: the splash, the main dialog
// with its level selector, options and buttons, and the progress window of a
// run. Built on the window driver; knows the program's texts and control ids.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "driver/screenshot.h"

namespace marsitel::e2e {

inline constexpr wchar_t kCompletionText[] = L"Verarbeitung abgeschlossen. Nochmal oder zurücksetzen?";

// <build>/e2e-screenshots/, created on first use.
std::wstring ScreenshotDirectory();
// Waits until the window has been drawn, then saves it as NAME.bmp there.
bool SaveWindowPicture(HWND window, const std::wstring& folder, const std::wstring& name);

struct RunWatch {
    bool progress_seen = false;
    HWND progress = nullptr;
    std::vector<std::wstring> assembly_lines;     // distinct texts, in the order seen
    std::vector<std::wstring> occurrence_lines;
    std::optional<Image> progress_picture;        // the last complete picture taken while it showed
    std::wstring busy_notice;                     // the text of the busy notice, if one showed
    bool message_box = false;                     // stopped because a message box showed
    bool finished = false;                        // dialog back with the completion text
    bool process_ended = false;
};

class MarsitelApp {
public:
    // Pictures show the windows' frames unless a person works the windows
    // on a display of their own (see LetWineDrawWindowFrames). `program` is
    // a full path; empty: the Marsitel.exe built next to the test program.
    explicit MarsitelApp(bool frames_in_pictures = true, const std::wstring& program = {});

    ChildProcess& Process() { return process_; }
    DWORD Id() const { return process_.Id(); }

    HWND WaitForSplash();
    // Presses a character key on the splash, as a person who does not want
    // to wait would. It goes once the dialog, or a box, has taken its place.
    bool DismissSplash(const std::wstring& picture_folder = {});
    // Gives up early when a message box shows instead or the program ends.
    HWND WaitForDialog();
    HWND Dialog() const { return dialog_; }
    HWND DialogControl(int id) const;
    std::wstring DialogText(int id) const;
    bool AnyDialogVisible() const;

    std::wstring Level() const;
    // Moves the scroll bar one arrow click at a time until the text box
    // shows `shown` ("1" to "9" or "Alle").
    bool SetLevel(std::wstring_view shown);
    bool Tick(int id, bool ticked);

    void ClickExecute();
    void ClickEnd();
    // Clicks Execute and follows the run until the dialog is back with the
    // completion text, a message box shows, or the process ends.
    RunWatch ExecuteAndWatch(bool take_pictures = false);
    // Follows a run already under way (after a message box, for instance).
    RunWatch Watch(RunWatch watch, bool completion_text_before, bool take_pictures);

private:
    ChildProcess process_;
    HWND dialog_ = nullptr;
    std::optional<bool> up_arrow_raises_;
};

}  // namespace marsitel::e2e
