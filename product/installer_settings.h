// The compiled-in settings record that names the product this installer was built for. Texts are
// UTF-8, zero-terminated.
#pragma once
#include <stdint.h>

struct SettingsRecord {
  const char* groupName;      // program group, last part of the default directories, DDE service accepted
  const char* appTitle;       // item name, window-title prefix of running copies, message captions
  const char* iniFileName;    // bare name of the profile file holding "Options"/"dataDir"
  int32_t offerStartupGroup;  // nonzero: offer to add the program to the Startup group
  const char* startupPrompt;  // text of that offer
  const char* mainExecutable; // file name of the program inside the data directory
  // What names the installed product to Windows and to management tools: the lock that keeps two
  // installations of it from running at once, and its entry among the installed programs.
  const char* productId;      // letters, digits, '.', '-', '_': the entry's key name
  const char* productName;    // the name shown in the list of installed programs
  const char* version;        // the product's version ("2.1.0"); empty when not given
  const char* publisher;      // empty when not given
  const char* urlInfoAbout;   // the product's web page; empty when not given
  const char* helpLink;       // where its users find help; empty when not given
  uint64_t installedSize;     // bytes of every file once installed (0 in an uninstaller's block)
};

/// The settings of this build, read-only for the whole run. It is a reference so that the
/// packaging tool's generated source (or a test) supplies the record it refers to.
extern const SettingsRecord& InstallerSettings;
