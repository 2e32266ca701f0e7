// Windows start-up: hands the module's instance to the installer program. Only Win32 calls
// belong here.
#include <windows.h>

#include "driver/installer_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunInstallerProgram(instance); }
