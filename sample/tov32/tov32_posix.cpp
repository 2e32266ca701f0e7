// Console stand-in for Tovalin's main program, so the console edition of the installer has a
// real program to start at the end of an installation.
#include <stdio.h>

/// Prints one line and exits with 0; there is no window to wait on outside Windows.
int main() {
  puts("Tovalin is running.");
  return 0;
}
