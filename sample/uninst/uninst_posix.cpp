// Console stand-in for Tovalin's uninstaller, so the console edition has a file of that name to
// install and register.
#include <stdio.h>

/// Prints one line and exits with 0; it removes nothing.
int main() {
  puts("Uninstall Tovalin: the console edition has nothing to remove.");
  return 0;
}
