// Signing in instpack.exe: not offered. The checks of the signing material need OpenSSL, which
// this cross build does not have; on Windows, signtool signs the finished installer just as well.
#include "tools/pack/signing/signing.h"

namespace {

const char kNotHere[] =
    "instpack.exe does not sign; sign the finished installer with signtool (or use the Linux instpack)";

}  // namespace

bool CheckSigningMaterial(const SigningRequest&, long long*, std::string* error) {
  *error = kNotHere;
  return false;
}

bool SignInstaller(const SigningRequest&, long long, const std::string&, const std::string&, std::string* error) {
  *error = kNotHere;
  return false;
}
