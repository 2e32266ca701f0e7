// Asking running copies of the product to quit. Not yet done: nothing is closed.
#include "shell/close_running_copies.h"

void CloseRunningCopies() {}
