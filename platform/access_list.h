// Windows security descriptors, as bytes: the one a folder for all users gets, whether a folder's
// lets users other than the administrators change what it holds, and the product lock's. Portable,
// so that the rules are tested everywhere; the *_win32 files hand them the system's descriptors.
#pragma once
#include <stddef.h>

/// The self-relative security descriptor a data directory made for all users gets: the access
/// list Program Files gives its folders, protected from inheriting its parent's (so that a folder
/// in the root of C:, where every signed-in user may change what is created, gets none of that):
/// the system and the administrators may do anything, the users (BUILTIN\Users) read and run,
/// each entry passed on to every file and folder made in it. No owner is given: the creator's
/// default (the administrators, for an elevated process) is kept. Writes it into `out` and
/// returns its size; 0 when `size` is too small (kProtectedDescriptorSize is enough).
enum { kProtectedDescriptorSize = 128 };
size_t ProtectedFolderDescriptor(unsigned char* out, size_t size);

/// True when the self-relative security descriptor `descriptor` (`size` bytes, as
/// GetFileSecurity returns it with the owner and the access list) lets someone other than the
/// system, the administrators, TrustedInstaller, the creator-owner placeholder and `ownUser` (the
/// SID of the user the process runs as; may be null) add, delete or replace what the folder
/// holds, or change its access list or owner: an entry that grants such a right to anyone else,
/// also one that applies only to what is made in the folder later; no access list at all (every
/// right to everyone); or an owner who is someone else (an owner may always rewrite the list).
/// A descriptor it cannot read whole counts as one that lets others change the folder.
bool DescriptorLetsOthersChange(const unsigned char* descriptor, size_t size, const unsigned char* ownUser);

/// BUILTIN\Administrators (S-1-5-32-544), as a SID's bytes.
extern const unsigned char kAdministratorsSid[16];

/// The self-relative security descriptor of the product lock: owned by `owner` (a SID's bytes),
/// which with the system alone may use it. Writes it into `out` and returns its size; 0 when
/// `size` is too small (kLockDescriptorSize is enough) or `owner` is no SID.
enum { kLockDescriptorSize = 256 };
size_t LockDescriptor(const unsigned char* owner, unsigned char* out, size_t size);

/// True when the self-relative `descriptor` (`size` bytes) names `owner` (a SID's bytes) or the
/// system as its owner; false for any other owner, none, or a descriptor it cannot read whole.
bool DescriptorOwnedBy(const unsigned char* descriptor, size_t size, const unsigned char* owner);
