// Windows start-up: hands the module's instance to the installation. Only Win32 calls belong here.
#include <windows.h>

#include "driver/installation.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunInstallation(instance); }
