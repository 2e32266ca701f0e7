// Process-level services: heap, waiting, the time, starting a program, and the lock that keeps
// two installations of a product from running at once.
#pragma once
#include <stddef.h>

/// Allocates `size` bytes from the heap; null on failure.
void* AllocateMemory(size_t size);

/// Returns a block from AllocateMemory (null is ignored).
void FreeMemory(void* block);

/// Blocks the calling thread for `milliseconds`.
void SleepMilliseconds(unsigned milliseconds);

/// A count of milliseconds from some moment that says nothing by itself: the difference of two
/// readings, taken as unsigned, is the time between them (also across the count's wrap-around,
/// every 49 days).
unsigned MillisecondCount();

/// Starts the program at `path` (the whole path names the program; it is never split at spaces)
/// with a normal window, and returns without waiting. Returns true when it started.
bool StartProgram(const char* path);

/// What TakeProductLock found.
enum ProductLock {
  ProductLockTaken = 0,  // this process holds it now, until it ends
  ProductLockBusy = 1,   // another process holds it: another installation or removal runs
};

/// Takes the lock of the product `productId` (ASCII letters, digits, '.', '-', '_'), the one lock
/// that the product's installer and uninstaller both take, for every user and session of the
/// machine: for an installation for all users (`forAllUsers`) the administrators' lock, for one
/// for a single user that user's, so that no other user can hold it in their way. On Windows a
/// mutex owned by them, held as long as the process runs, in a private namespace whose boundary
/// holds the administrators or the user (which no one else can create); where Windows has no
/// private namespaces, in the global namespace, where an object of the name that someone else
/// owns is no lock. In the console edition a name in Linux's abstract socket namespace made of
/// the drives folder, the stand-in for the machine, and the product, whatever the scope. Returns
/// ProductLockBusy when another process holds it. When the lock cannot be had for any other
/// reason, returns ProductLockTaken: nothing is guarded then, as before there was a lock, rather
/// than nothing installed.
ProductLock TakeProductLock(const char* productId, bool forAllUsers);

/// True when the process runs with an administrator's full rights, so that what it installs is
/// for every user of the machine: on Windows when its token is elevated (an administrator who
/// said yes to the elevation prompt, or the system account); in the console edition when it runs
/// as root.
bool ProcessIsElevated();

/// Starts this program's own file again with the command line `arguments` (ASCII), elevated (on
/// Windows the "runas" verb: the elevation prompt asks the user for consent or an
/// administrator's password), waits for it to end and sets `*status` to its exit status. Returns
/// false when it did not run: the user declined, or the system has no such prompt (the console
/// edition). Whether the copy really is elevated is the copy's to find out.
bool RunElevatedCopy(const char* arguments, int* status);
