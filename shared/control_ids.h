#pragma once
// Window class names and control ids of the four windows. Tools that drive
// the program from outside (the end-to-end tests, the demo) find the windows
// and controls by these.

namespace marsitel::ui {

inline constexpr wchar_t kDialogClass[] = L"Marsitel.Dialog";
inline constexpr wchar_t kProgressClass[] = L"Marsitel.frmProgress";
inline constexpr wchar_t kSplashClass[] = L"Marsitel.frmSplash";
inline constexpr wchar_t kBusyClass[] = L"Marsitel.frmBusy";  // the busy notice window

// The names on the right are the form designer's, which older tools and
// notes use.
namespace dialog_id {
inline constexpr int kExecuteButton = 101;   // Command1, "Ausführen"
inline constexpr int kEndButton = 102;       // Command2, "Ende"
inline constexpr int kLevelText = 103;       // Text3, the level as the selector shows it
inline constexpr int kLevelSelector = 104;   // VScroll1
inline constexpr int kDeleteOption = 105;    // optionDelete
inline constexpr int kGroundOption = 106;    // OptionGround
inline constexpr int kStatusLine = 110;      // Label1, the completion text
inline constexpr int kExplanation = 111;     // Label9
inline constexpr int kStepOneNumber = 112;   // Label8 (1)
inline constexpr int kStepTwoNumber = 113;   // Label8 (2)
inline constexpr int kLevelQuestion = 114;   // Label5 (1)
inline constexpr int kDeleteQuestion = 115;  // Label5 (2)
inline constexpr int kUpperLine = 116;       // Line1 (1)
inline constexpr int kLowerLine = 117;       // Line1 (2)
}  // namespace dialog_id

// The progress window is owned by a hidden window (class Marsitel.Owner),
// which keeps it out of the taskbar; it is still a top-level window.
namespace progress_id {
inline constexpr int kAssemblyLine = 201;    // Label1
inline constexpr int kOccurrenceLine = 202;  // Label2
inline constexpr int kBar = 203;             // PB
}  // namespace progress_id

// Every splash control but the frame is a child of the frame, not of the
// splash window: find them with GetDlgItem(GetDlgItem(splash, kFrame), id)
// or by enumerating the splash's descendants. A click on the frame's bare
// surface is a button-down and button-up on the frame's window itself.
namespace splash_id {
inline constexpr int kFrame = 301;           // Frame1
inline constexpr int kCompanyProduct = 302;  // lblCompanyProduct
inline constexpr int kProductName = 303;     // lblProductName
inline constexpr int kPicture = 304;         // Picture1
inline constexpr int kPlatform = 305;        // lblPlatform
inline constexpr int kVersion = 306;         // lblVersion
inline constexpr int kCopyright = 307;       // lblCopyright
inline constexpr int kCompany = 308;         // lblCompany
inline constexpr int kOkButton = 309;        // Command1
inline constexpr int kWarning = 310;         // lblWarning
}  // namespace splash_id

// The notice shown while the host refuses calls as busy or does not
// answer.
namespace busy_id {
inline constexpr int kText = 401;          // lblBusy
inline constexpr int kCancelButton = 402;  // cmdCancel, "Abbrechen"
}  // namespace busy_id

}  // namespace marsitel::ui
