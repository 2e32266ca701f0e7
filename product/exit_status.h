// The exit statuses of the installer and the uninstaller, by which an administrator's script
// tells how an unattended run ended (docs/administrators.md lists them), and which instpack
// writes into a package manager's manifest of the installer.
#pragma once

enum ExitStatus {
  ExitSuccess = 0,         // installed; removed (files of the user's own may have been kept)
  ExitNoDirectory = 1,     // the data directory cannot be created or entered
  // After 2 and 3 every file this run wrote is deleted and every earlier file it replaced is put
  // back, in the product's order up to the first that cannot be.
  ExitCannotCreate = 2,    // a file of the product cannot be created
  ExitWriteFailed = 3,     // a file could not be written whole
  ExitNoMemory = 4,        // memory ran out
  ExitDamaged = 5,         // the program's data is damaged, or it holds no product
  ExitBadOptions = 6,      // an unknown option or a malformed /D=: nothing was done
  ExitLeftBehind = 7,      // the uninstaller could not remove everything; what is left is named
  ExitNotInstalled = 8,    // the uninstaller found no installation to remove
  ExitDeclined = 9,        // the user answered No to the uninstaller's question
  ExitBusy = 10,           // another installation or removal of the product runs: nothing was done
  ExitNeedsAdministrator = 11,  // the uninstaller, not elevated, found an installation for all users:
                                // nothing was removed
  ExitOpenToOthers = 12,        // an installation for all users found the data directory open to
                                // other users, who could replace its programs: nothing was written
  ExitDataFileDamaged = 13,     // a data file beside the installer is missing or damaged: nothing was written
};
