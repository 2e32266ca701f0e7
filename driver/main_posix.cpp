// Console edition start-up: runs the installer program with no module instance.
#include "driver/installer_program.h"

int main() { return RunInstallerProgram(nullptr); }
