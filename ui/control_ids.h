#pragma once
// Window class names and control ids of the four windows. Tools that drive
// the program from outside (the end-to-end tests, the demo) find the windows
// and controls by these.

namespace marsitel::ui {

inline constexpr wchar_t kDialogClass[] = L"Marsitel.Dialog";
inline constexpr wchar_t kProgressClass[] = L"Marsitel.frmProgress";
inline constexpr wchar_t kSplashClass[] = L"Marsitel.frmSplash";
inline constexpr wchar_t kBusyClass[] = L"Marsitel.frmBusy";

namespace dialog_id {
inline constexpr int Command1 = 101;      // "Ausführen"
inline constexpr int Command2 = 102;      // "Ende"
inline constexpr int Text3 = 103;
inline constexpr int VScroll1 = 104;
inline constexpr int optionDelete = 105;
inline constexpr int OptionGround = 106;
inline constexpr int Label1 = 110;        // completion text
inline constexpr int Label9 = 111;        // explanation
inline constexpr int Label8_1 = 112;
inline constexpr int Label8_2 = 113;
inline constexpr int Label5_1 = 114;
inline constexpr int Label5_2 = 115;
inline constexpr int Line1_1 = 116;
inline constexpr int Line1_2 = 117;
}  // namespace dialog_id

// The progress window is owned by a hidden window (class Marsitel.Owner),
// which keeps it out of the taskbar; it is still a top-level window.
namespace progress_id {
inline constexpr int Label1 = 201;        // assembly line
inline constexpr int Label2 = 202;        // occurrence line
inline constexpr int PB = 203;
}  // namespace progress_id

// Every splash control but Frame1 is a child of Frame1, not of the splash
// window: find them with GetDlgItem(GetDlgItem(splash, Frame1), id) or by
// enumerating the splash's descendants. A click on Frame1's bare surface is
// a button-down and button-up on the Frame1 window itself.
namespace splash_id {
inline constexpr int Frame1 = 301;
inline constexpr int lblCompanyProduct = 302;
inline constexpr int lblProductName = 303;
inline constexpr int Picture1 = 304;
inline constexpr int lblPlatform = 305;
inline constexpr int lblVersion = 306;
inline constexpr int lblCopyright = 307;
inline constexpr int lblCompany = 308;
inline constexpr int Command1 = 309;
inline constexpr int lblWarning = 310;
}  // namespace splash_id

// The notice shown while the host refuses calls as busy; owned by the
// hidden window too.
namespace busy_id {
inline constexpr int lblBusy = 401;
inline constexpr int cmdCancel = 402;     // "Abbrechen"
}  // namespace busy_id

}  // namespace marsitel::ui
