// The compiled-in settings record that names the product this installer was built for.
#pragma once
#include <stdint.h>

struct SettingsRecord {
  const char* groupName;      // program group, last part of the default directories, DDE service accepted
  const char* appTitle;       // item name, window-title prefix of running copies, message captions
  const char* iniFileName;    // bare name of the profile file holding "Options"/"dataDir"
  int32_t offerStartupGroup;  // nonzero: offer to add the program to the Startup group
  const char* startupPrompt;  // text of that offer
  const char* mainExecutable; // file name of the program inside the data directory
};

/// The settings of this build, read-only for the whole run. It is a reference so that the
/// packaging tool's generated source (or a test) supplies the record it refers to.
extern const SettingsRecord& InstallerSettings;
