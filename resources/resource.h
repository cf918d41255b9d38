#pragma once
// Resource identifiers shared by the code and updater.rc. Plain numbers only: the resource
// compiler reads this file too.

// Dialog templates.
#define IDD_ABOUT 100
#define IDD_OFFER 129
#define IDD_PROGRESS 201

// Icon with the application's images (64, 48, 32, 24 and 16 pixels, 32 bits per pixel).
#define IDI_APP 128

// Controls.
#define IDC_OFFER_TEXT 1000    // rich-edit box with the offer text (offer dialog)
#define IDC_PROGRESS_BAR 1001  // progress bar (progress dialog)
#define IDC_HEADER 1002        // bold header line (both dialogs)
#define IDC_LINK 1003          // "not now" link (offer dialog)
#define IDC_PROGRESS_TEXT 1004 // bytes received, speed and time left (progress dialog)

// Commands.
#define ID_APP_ABOUT 57664 // opens the About dialog

// The updater's own version, as the version information and the run log show it.
#define UPDATER_VERSION_NUMBERS 1, 0, 0, 0
#define UPDATER_VERSION_STRING "1.0.0.0"
#define UPDATER_VERSION_TEXT L"1.0.0.0"
