// Resource and control numbers shared by the resource script and the dialog procedures.
#pragma once

#define IDD_PROGRESS 109          // the "Setup Progress" window
#define IDC_PERCENT_TEXT 1002     // its "Percent Complete" line, and the verification window's
#define IDD_VERIFICATION 110      // the "Verifying Setup" window
#define IDD_DATA_DIRECTORY 113    // the "Choose a Data Directory" dialog
#define IDC_DIRECTORY_EDIT 1097   // its edit box
