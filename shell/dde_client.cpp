// The platform-independent part of the DDE client: its instance and its connection rule.
#include "shell/dde_client.h"

#include <string.h>

#include "driver/installer_settings.h"

uint32_t DdeInstance = 0;

bool DdeAcceptsConnection(const char* serviceName) {
  return strcmp(serviceName, InstallerSettings.groupName) == 0;
}
