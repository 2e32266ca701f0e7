// Console edition start-up: runs the installation with no module instance.
#include "driver/installation.h"

int main() { return RunInstallation(nullptr); }
