// Registering the product's program group. Not yet done: nothing is registered.
#include "shell/register_shortcuts.h"

void RegisterShortcuts(const char*, const char*) {}
