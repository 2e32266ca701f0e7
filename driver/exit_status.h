// The exit statuses of the installer and the uninstaller, by which an administrator's script
// tells how an unattended run ended (docs/administrators.md lists them).
#pragma once

enum ExitStatus {
  ExitSuccess = 0,         // installed; removed (files of the user's own may have been kept)
  ExitNoDirectory = 1,     // the data directory cannot be created or entered
  ExitCannotCreate = 2,    // a file of the product cannot be created (the files written are removed)
  ExitWriteFailed = 3,     // a file could not be written whole (the files written are removed)
  ExitNoMemory = 4,        // memory ran out
  ExitDamaged = 5,         // the program's data is damaged, or it holds no product
  ExitBadOptions = 6,      // an unknown option or a malformed /D=: nothing was done
  ExitLeftBehind = 7,      // the uninstaller could not remove everything; what is left is named
  ExitNotInstalled = 8,    // the uninstaller found no installation to remove
  ExitDeclined = 9,        // the user answered No to the uninstaller's question
  ExitBusy = 10,           // another installation or removal of the product runs: nothing was done
};
