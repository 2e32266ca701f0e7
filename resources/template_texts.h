// The texts of the dialog templates, kept once: the resource script puts them into the
// templates, and the console edition prints them in place of the windows. Plain string literals,
// so that the resource compiler reads them as well as the C++ compiler.
#pragma once

// Template 109, the progress window. Its initial percentage has three spaces before the 0; the
// updates (FormatPercentText) have one.
#define PROGRESS_WINDOW_CAPTION "Setup Progress"
#define PROGRESS_WINDOW_TEXT "The application is now being installed."
#define PROGRESS_WINDOW_INITIAL_PERCENT "Percent Complete:   0%"

// Template 110, the verification window: the progress window's percentage line under its own
// caption and text.
#define VERIFICATION_WINDOW_CAPTION "Verifying Setup"
#define VERIFICATION_WINDOW_TEXT "Checking the setup program for damage."

// Template 113, the directory dialog.
#define DIRECTORY_DIALOG_CAPTION "Choose a Data Directory"
#define DIRECTORY_DIALOG_TEXT "This application requires a directory in which to store its data files. The location below is recommended and should work fine for most users. If you wish to enter a different directory name, however, you may do so now."
#define DIRECTORY_DIALOG_OK "OK"
#define DIRECTORY_DIALOG_CANCEL "Cancel"
