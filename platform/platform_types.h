// Opaque handles and the small set of Win32 constant values that portable code needs.
#pragma once

// Handles cross the portable/platform boundary as opaque pointers, so no OS header is needed here.
typedef void* WindowHandle;
typedef void* InstanceHandle;

// Message box styles and answers. The values are Win32's own, so the Win32 bodies pass them through.
enum : unsigned {
  kMessageOk = 0x00000000u,        // MB_OK
  kMessageYesNo = 0x00000004u,     // MB_YESNO
  kMessageWarning = 0x00000030u,   // MB_ICONWARNING
};
enum : int {
  kAnswerOk = 1,      // IDOK
  kAnswerCancel = 2,  // IDCANCEL
  kAnswerYes = 6,     // IDYES
  kAnswerNo = 7,      // IDNO
};
