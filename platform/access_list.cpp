// Reading and making folders' security descriptors as their documented binary layout: the
// self-relative SECURITY_DESCRIPTOR_RELATIVE, the ACL header, ACEs and SIDs (all little-endian).
#include "platform/access_list.h"

#include <string.h>

const unsigned char kAdministratorsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

namespace {

// SECURITY_DESCRIPTOR_RELATIVE: revision, padding, control, then offsets of owner, group, SACL,
// DACL from its start (0: none).
enum { kDescriptorHeader = 20, kOwnerAt = 4, kDaclAt = 16 };
enum : unsigned { kDaclPresent = 0x0004, kDaclProtected = 0x1000, kSelfRelative = 0x8000 };
// ACL: revision, padding, size, ACE count, padding. ACE: type, flags, size; an allowed ACE then
// holds its access mask and its SID.
enum { kAclHeader = 8, kAceHeader = 4 };
enum : unsigned char { kAccessAllowed = 0x00, kAccessAllowedObject = 0x05, kAccessAllowedCallback = 0x09,
                       kAccessAllowedCallbackObject = 0x0B };
enum : unsigned char { kObjectInherit = 0x01, kContainerInherit = 0x02 };

// Rights that let a holder change what a folder holds, or who may: FILE_ADD_FILE,
// FILE_ADD_SUBDIRECTORY, FILE_DELETE_CHILD, DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL,
// GENERIC_WRITE. Reading, running and the attributes are not among them.
const unsigned long kChangingRights = 0x2ul | 0x4ul | 0x40ul | 0x10000ul | 0x40000ul | 0x80000ul | 0x10000000ul |
                                      0x40000000ul;
const unsigned long kAllAccess = 0x1F01FFul;     // FILE_ALL_ACCESS
const unsigned long kReadAndRun = 0x1200A9ul;    // read, list, traverse, attributes, synchronise

// SIDs: revision 1, the count of sub-authorities, a 6-byte big-endian authority, then each
// sub-authority as 4 little-endian bytes.
const unsigned char kSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};                      // S-1-5-18
const unsigned char* const kAdministrators = kAdministratorsSid;
const unsigned char kUsers[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x21, 2, 0, 0};          // S-1-5-32-545
const unsigned char kCreatorOwner[] = {1, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0};                  // S-1-3-0
// NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
const unsigned char kTrustedInstaller[] = {1,    6,    0,    0,    0,    0,    0,    5,    80,   0,    0,
                                           0,    0xB5, 0x89, 0xFB, 0x38, 0x19, 0x84, 0xC2, 0xCB, 0x5C, 0x6C,
                                           0x23, 0x6D, 0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};

unsigned Read16(const unsigned char* at) { return static_cast<unsigned>(at[0] | (at[1] << 8)); }
unsigned long Read32(const unsigned char* at) {
  return static_cast<unsigned long>(at[0]) | (static_cast<unsigned long>(at[1]) << 8) |
         (static_cast<unsigned long>(at[2]) << 16) | (static_cast<unsigned long>(at[3]) << 24);
}
void Write16(unsigned char* at, unsigned value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}
void Write32(unsigned char* at, unsigned long value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The length of the SID at `sid` when it lies whole within `available` bytes, else 0.
size_t SidLength(const unsigned char* sid, size_t available) {
  if (available < 8 || sid[0] != 1) return 0;
  const size_t length = 8 + 4 * static_cast<size_t>(sid[1]);
  return length <= available ? length : 0;
}

bool SameSid(const unsigned char* sid, size_t length, const unsigned char* known, size_t knownLength) {
  return length == knownLength && memcmp(sid, known, length) == 0;
}

// The system, the administrators, TrustedInstaller, the placeholder for whoever creates an
// object (never a user of its own), and the process's own user.
bool IsTrusted(const unsigned char* sid, size_t length, const unsigned char* ownUser) {
  if (SameSid(sid, length, kSystem, sizeof kSystem) || SameSid(sid, length, kAdministrators, sizeof kAdministratorsSid) ||
      SameSid(sid, length, kTrustedInstaller, sizeof kTrustedInstaller) ||
      SameSid(sid, length, kCreatorOwner, sizeof kCreatorOwner)) {
    return true;
  }
  if (ownUser == nullptr) return false;
  const size_t ownLength = SidLength(ownUser, 8 + 4 * 15);
  return ownLength != 0 && SameSid(sid, length, ownUser, ownLength);
}

size_t PutAce(unsigned char* at, unsigned long mask, const unsigned char* sid, size_t sidLength,
              unsigned char flags = kObjectInherit | kContainerInherit) {
  const size_t size = kAceHeader + 4 + sidLength;
  at[0] = kAccessAllowed;
  at[1] = flags;
  Write16(at + 2, static_cast<unsigned>(size));
  Write32(at + 4, mask);
  memcpy(at + 8, sid, sidLength);
  return size;
}

}  // namespace

size_t ProtectedFolderDescriptor(unsigned char* out, size_t size) {
  const size_t aclSize = kAclHeader + (kAceHeader + 4 + sizeof kSystem) + (kAceHeader + 4 + sizeof kAdministratorsSid) +
                         (kAceHeader + 4 + sizeof kUsers);
  const size_t total = kDescriptorHeader + aclSize;
  if (size < total) return 0;
  memset(out, 0, total);
  out[0] = 1;  // SECURITY_DESCRIPTOR_REVISION
  Write16(out + 2, kDaclPresent | kDaclProtected | kSelfRelative);
  Write32(out + kDaclAt, kDescriptorHeader);
  unsigned char* acl = out + kDescriptorHeader;
  acl[0] = 2;  // ACL_REVISION
  Write16(acl + 2, static_cast<unsigned>(aclSize));
  Write16(acl + 4, 3);
  unsigned char* ace = acl + kAclHeader;
  ace += PutAce(ace, kAllAccess, kSystem, sizeof kSystem);
  ace += PutAce(ace, kAllAccess, kAdministrators, sizeof kAdministratorsSid);
  PutAce(ace, kReadAndRun, kUsers, sizeof kUsers);
  return total;
}

bool DescriptorLetsOthersChange(const unsigned char* descriptor, size_t size, const unsigned char* ownUser) {
  if (descriptor == nullptr || size < kDescriptorHeader || descriptor[0] != 1) return true;
  const unsigned control = Read16(descriptor + 2);
  if ((control & kSelfRelative) == 0) return true;
  // The owner may change the access list whatever it says.
  const unsigned long ownerAt = Read32(descriptor + kOwnerAt);
  if (ownerAt == 0 || ownerAt >= size) return true;
  const size_t ownerLength = SidLength(descriptor + ownerAt, size - ownerAt);
  if (ownerLength == 0 || !IsTrusted(descriptor + ownerAt, ownerLength, ownUser)) return true;
  // No access list grants everyone everything.
  const unsigned long daclAt = Read32(descriptor + kDaclAt);
  if ((control & kDaclPresent) == 0 || daclAt == 0) return true;
  if (daclAt > size || size - daclAt < kAclHeader) return true;
  const unsigned char* acl = descriptor + daclAt;
  const size_t aclSize = Read16(acl + 2);
  if (aclSize < kAclHeader || aclSize > size - daclAt) return true;
  const unsigned count = Read16(acl + 4);
  size_t at = kAclHeader;
  for (unsigned i = 0; i < count; ++i) {
    if (aclSize - at < kAceHeader) return true;
    const unsigned char* ace = acl + at;
    const size_t aceSize = Read16(ace + 2);
    if (aceSize < kAceHeader || aceSize > aclSize - at) return true;
    at += aceSize;
    const unsigned char type = ace[0];
    if (type != kAccessAllowed && type != kAccessAllowedCallback && type != kAccessAllowedObject &&
        type != kAccessAllowedCallbackObject) {
      continue;  // denials and audits take no right away from the list's other entries here
    }
    if (aceSize < kAceHeader + 4) return true;
    if ((Read32(ace + 4) & kChangingRights) == 0) continue;
    // An object entry holds GUIDs before its SID; folders have none, and one that grants a
    // changing right is taken as granting it to anyone.
    if (type == kAccessAllowedObject || type == kAccessAllowedCallbackObject) return true;
    const size_t sidLength = SidLength(ace + kAceHeader + 4, aceSize - kAceHeader - 4);
    if (sidLength == 0 || !IsTrusted(ace + kAceHeader + 4, sidLength, ownUser)) return true;
  }
  return false;
}

size_t LockDescriptor(const unsigned char* owner, unsigned char* out, size_t size) {
  const size_t ownerLength = owner != nullptr ? SidLength(owner, 8 + 4 * 15) : 0;
  if (ownerLength == 0) return 0;
  const unsigned long kGenericAll = 0x10000000ul;
  const size_t aclSize = kAclHeader + (kAceHeader + 4 + sizeof kSystem) + (kAceHeader + 4 + ownerLength);
  const size_t total = kDescriptorHeader + ownerLength + aclSize;
  if (size < total) return 0;
  memset(out, 0, total);
  out[0] = 1;
  Write16(out + 2, kDaclPresent | kDaclProtected | kSelfRelative);
  Write32(out + kOwnerAt, kDescriptorHeader);
  memcpy(out + kDescriptorHeader, owner, ownerLength);
  Write32(out + kDaclAt, static_cast<unsigned long>(kDescriptorHeader + ownerLength));
  unsigned char* acl = out + kDescriptorHeader + ownerLength;
  acl[0] = 2;
  Write16(acl + 2, static_cast<unsigned>(aclSize));
  Write16(acl + 4, 2);
  unsigned char* ace = acl + kAclHeader;
  ace += PutAce(ace, kGenericAll, kSystem, sizeof kSystem, 0);
  PutAce(ace, kGenericAll, owner, ownerLength, 0);
  return total;
}

bool DescriptorOwnedBy(const unsigned char* descriptor, size_t size, const unsigned char* owner) {
  if (descriptor == nullptr || owner == nullptr || size < kDescriptorHeader || descriptor[0] != 1) return false;
  if ((Read16(descriptor + 2) & kSelfRelative) == 0) return false;
  const unsigned long ownerAt = Read32(descriptor + kOwnerAt);
  if (ownerAt == 0 || ownerAt >= size) return false;
  const size_t length = SidLength(descriptor + ownerAt, size - ownerAt);
  const size_t wantedLength = SidLength(owner, 8 + 4 * 15);
  return length != 0 && (SameSid(descriptor + ownerAt, length, owner, wantedLength) ||
                         SameSid(descriptor + ownerAt, length, kSystem, sizeof kSystem));
}
