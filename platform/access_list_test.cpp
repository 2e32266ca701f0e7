// Whether a folder's security descriptor lets users other than the administrators change it, over
// descriptors laid out as Windows returns them, and the descriptor a folder for all users gets.
#include "platform/access_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Sid(const std::vector<unsigned long>& parts, unsigned char authority = 5) {
  Bytes sid = {1, static_cast<unsigned char>(parts.size()), 0, 0, 0, 0, 0, authority};
  for (unsigned long part : parts) {
    for (int i = 0; i < 4; ++i) sid.push_back(static_cast<unsigned char>(part >> (8 * i)));
  }
  return sid;
}

const Bytes kSystem = Sid({18});
const Bytes kAdministrators = Sid({32, 544});
const Bytes kUsers = Sid({32, 545});
const Bytes kAuthenticatedUsers = Sid({11});
const Bytes kEveryone = Sid({0}, 1);
const Bytes kTrustedInstaller = Sid({80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464});
const Bytes kAdministrator = Sid({21, 1, 2, 3, 500});
const Bytes kOtherUser = Sid({21, 1, 2, 3, 1001});

struct Ace {
  unsigned char type;  // 0 allowed, 1 denied
  unsigned char flags;
  unsigned long mask;
  Bytes sid;
};

void Put16(Bytes& b, size_t at, unsigned v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(Bytes& b, size_t at, unsigned long v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A self-relative descriptor with `owner` and, unless `noDacl`, an access list of `aces`.
Bytes Descriptor(const Bytes& owner, const std::vector<Ace>& aces, bool noDacl = false) {
  Bytes d(20, 0);
  d[0] = 1;
  Put16(d, 2, 0x8000 | (noDacl ? 0 : 0x0004));
  Put32(d, 4, d.size());
  d.insert(d.end(), owner.begin(), owner.end());
  if (noDacl) return d;
  const size_t acl = d.size();
  Put32(d, 16, acl);
  d.resize(acl + 8, 0);
  d[acl] = 2;
  for (const Ace& ace : aces) {
    const size_t at = d.size();
    d.resize(at + 8, 0);
    d[at] = ace.type;
    d[at + 1] = ace.flags;
    Put16(d, at + 2, static_cast<unsigned>(8 + ace.sid.size()));
    Put32(d, at + 4, ace.mask);
    d.insert(d.end(), ace.sid.begin(), ace.sid.end());
  }
  Put16(d, acl + 2, static_cast<unsigned>(d.size() - acl));
  Put16(d, acl + 4, static_cast<unsigned>(aces.size()));
  return d;
}

const unsigned long kFull = 0x1F01FF, kModify = 0x1301BF, kReadAndRun = 0x1200A9;
const std::vector<Ace> kProgramFilesLike = {{0, 3, kFull, kTrustedInstaller}, {0, 3, kFull, kSystem},
                                            {0, 3, kFull, kAdministrators}, {0, 3, kReadAndRun, kUsers}};

TEST(AccessListTest, OthersMayChangeAFolderWhenTheDescriptorLetsThem) {
  struct Case {
    const char* label;
    Bytes descriptor;
    bool others;
  };
  std::vector<Ace> rootOfC = kProgramFilesLike;  // what a folder made in C:\ inherits
  rootOfC.push_back({0, 0x10, kModify, kAuthenticatedUsers});
  std::vector<Ace> laterFiles = kProgramFilesLike;  // only files made in it later
  laterFiles.push_back({0, 0x0B, kModify, kUsers});
  std::vector<Ace> denied = kProgramFilesLike;
  denied.push_back({1, 3, kFull, kEveryone});
  std::vector<Ace> ownFolder = kProgramFilesLike;
  ownFolder.push_back({0, 3, kFull, kAdministrator});
  std::vector<Ace> anotherUsers = kProgramFilesLike;
  anotherUsers.push_back({0, 3, kFull, kOtherUser});
  std::vector<Ace> addFilesOnly = kProgramFilesLike;  // FILE_ADD_FILE: a planted DLL
  addFilesOnly.push_back({0, 0, 0x2, kEveryone});
  const std::vector<Case> cases = {
      {"as Program Files", Descriptor(kTrustedInstaller, kProgramFilesLike), false},
      {"in the root of C:", Descriptor(kAdministrators, rootOfC), true},
      {"passed on to files made later", Descriptor(kAdministrators, laterFiles), true},
      {"a denial only", Descriptor(kAdministrators, denied), false},
      {"the administrator's own", Descriptor(kAdministrator, ownFolder), false},
      {"another user's entry", Descriptor(kAdministrators, anotherUsers), true},
      {"another user owns it", Descriptor(kOtherUser, kProgramFilesLike), true},
      {"anyone may add a file", Descriptor(kAdministrators, addFilesOnly), true},
      {"no access list", Descriptor(kAdministrators, {}, true), true},
      {"an empty access list", Descriptor(kAdministrators, {}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(DescriptorLetsOthersChange(c.descriptor.data(), c.descriptor.size(), kAdministrator.data()), c.others);
  }
  // Cut short anywhere, a descriptor is never read past its end, and never trusted.
  const Bytes whole = Descriptor(kAdministrators, kProgramFilesLike);
  for (size_t size = 0; size < whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
    EXPECT_TRUE(DescriptorLetsOthersChange(cut.data(), cut.size(), nullptr)) << size;
  }
}

TEST(AccessListTest, TheProtectedFolderDescriptorLetsNoOtherUserChangeIt) {
  unsigned char made[kProtectedDescriptorSize];
  const size_t size = ProtectedFolderDescriptor(made, sizeof made);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(made[3] & 0x10, 0x10);  // SE_DACL_PROTECTED: nothing inherited from the parent
  // Its creator's owner, the administrators, put in as Windows fills it.
  Bytes withOwner(made, made + size);
  const size_t ownerAt = withOwner.size();
  withOwner.insert(withOwner.end(), kAdministrators.begin(), kAdministrators.end());
  Put32(withOwner, 4, ownerAt);
  EXPECT_FALSE(DescriptorLetsOthersChange(withOwner.data(), withOwner.size(), nullptr));
  EXPECT_EQ(ProtectedFolderDescriptor(made, size - 1), 0u);
}

}  // namespace

namespace {

TEST(AccessListTest, TheLockCountsOnlyWhenItsOwnerIsTheLocks) {
  unsigned char made[kLockDescriptorSize];
  const size_t size = LockDescriptor(kAdministratorsSid, made, sizeof made);
  ASSERT_GT(size, 0u);
  EXPECT_TRUE(DescriptorOwnedBy(made, size, kAdministratorsSid));
  EXPECT_FALSE(DescriptorOwnedBy(made, size, kOtherUser.data()));
  // A user's own lock, and a name another user took first.
  const size_t userSize = LockDescriptor(kOtherUser.data(), made, sizeof made);
  EXPECT_TRUE(DescriptorOwnedBy(made, userSize, kOtherUser.data()));
  EXPECT_FALSE(DescriptorOwnedBy(made, userSize, kAdministratorsSid));
  const Bytes bySystem = Descriptor(kSystem, {});
  EXPECT_TRUE(DescriptorOwnedBy(bySystem.data(), bySystem.size(), kAdministratorsSid));
  for (size_t cut = 0; cut < userSize; ++cut) EXPECT_FALSE(DescriptorOwnedBy(made, cut, kAdministrator.data())) << cut;
}

}  // namespace
