// The installer's entry routine: the whole installation as one straight sequence.
#pragma once
#include "platform/platform_types.h"
#include "product/installer_data.h"

/// Runs the installation: checks the payload, settles the data directory, closes running
/// copies, writes the files (removing them again on failure), registers the program group,
/// stores the directory and offers to start the program. Every outcome is a message box.
/// `instance` supplies the dialog templates. `data` says how reading the installer's own data
/// went: when it is damaged (InstallerSettings then means nothing) or its table could not be
/// allocated, that is the message, and nothing is written. Always returns 0, the process's exit
/// code.
int RunInstallation(InstanceHandle instance, InstallerDataStatus data = InstallerDataRead);
