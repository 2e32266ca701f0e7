// Signing the finished installer with the publisher's certificate: the material is checked with
// OpenSSL's libcrypto, the signature made by osslsigncode. The Linux tool's file; instpack.exe has
// signing_win32.cpp instead.
#include <errno.h>
#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tools/pack/common/file_io.h"
#include "tools/pack/signing/signing.h"

extern char** environ;

namespace {

// Sets the one-line complaint and returns false, for `return Complain(...)` where a check fails.
bool Complain(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct Pkcs12Free {
  void operator()(PKCS12* p12) const { PKCS12_free(p12); }
};
struct StackFree {
  void operator()(STACK_OF(X509) * stack) const { sk_X509_pop_free(stack, X509_free); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Certificate = std::unique_ptr<X509, CertificateFree>;

Bio MemoryBio(const std::string& bytes) { return Bio(BIO_new_mem_buf(bytes.data(), (int)bytes.size())); }

// The certificates in `bytes`, PEM (any number) or DER (one).
std::vector<Certificate> ReadCertificates(const std::string& bytes) {
  std::vector<Certificate> certificates;
  Bio pem = MemoryBio(bytes);
  while (X509* certificate = PEM_read_bio_X509(pem.get(), nullptr, nullptr, nullptr)) {
    certificates.emplace_back(certificate);
  }
  if (certificates.empty()) {
    Bio der = MemoryBio(bytes);
    if (X509* certificate = d2i_X509_bio(der.get(), nullptr)) certificates.emplace_back(certificate);
  }
  ERR_clear_error();
  return certificates;
}

// The password callback of PEM_read_bio_PrivateKey: the password in `data`, or nothing.
int GivePassword(char* buffer, int size, int, void* data) {
  const std::string* password = static_cast<const std::string*>(data);
  if (!password || password->empty() || (int)password->size() > size) return -1;
  // OpenSSL takes the length returned, not a terminator.
  std::copy(password->begin(), password->end(), buffer);
  return (int)password->size();
}

// A private key in `bytes`, PEM (encrypted or not) or DER; `*encrypted` tells whether the file is
// an encrypted one, so that a failure can be put down to the password.
Key ReadKey(const std::string& bytes, const std::string& password, bool* encrypted) {
  *encrypted = bytes.find("ENCRYPTED") != std::string::npos;
  Bio pem = MemoryBio(bytes);
  Key key(PEM_read_bio_PrivateKey(pem.get(), nullptr, GivePassword, const_cast<std::string*>(&password)));
  if (!key) {
    Bio der = MemoryBio(bytes);
    key.reset(d2i_PrivateKey_bio(der.get(), nullptr));
  }
  ERR_clear_error();
  return key;
}

std::string TimeText(const ASN1_TIME* time) {
  Bio out(BIO_new(BIO_s_mem()));
  ASN1_TIME_print(out.get(), time);
  char* text = nullptr;
  const long length = BIO_get_mem_data(out.get(), &text);
  return std::string(text, (size_t)length);
}

// Seconds since 1970 of `time`.
long long UnixTime(const ASN1_TIME* time) {
  struct tm parts = {};
  ASN1_TIME_to_tm(time, &parts);
  return (long long)timegm(&parts);
}

// Reads the password from the password file into `*password` by the rule of osslsigncode's
// -readpass, which reads the same file when it signs, so that the password checked here is the one
// it signs with: the whole file, a UTF-8 byte-order mark at its start skipped, every CR and LF at
// its end dropped, up to the first NUL byte. A file that leaves nothing is refused: osslsigncode
// would then ask for the password on its terminal. Returns an empty text or the error.
std::string ReadPassword(const std::string& path, std::string* password) {
  std::string error;
  if (!ReadWholeFile(path, password, &error)) return "--password-file " + error;
  if (password->compare(0, 3, "\xEF\xBB\xBF") == 0) password->erase(0, 3);
  while (!password->empty() && (password->back() == '\n' || password->back() == '\r')) password->pop_back();
  password->erase(std::min(password->find('\0'), password->size()));
  if (password->empty()) return "--password-file " + path + ": holds no password";
  return std::string();
}

}  // namespace

bool CheckSigningMaterial(const SigningRequest& request, long long* signingTime, std::string* error) {
  std::string password;
  if (!request.passwordFile.empty()) {
    *error = ReadPassword(request.passwordFile, &password);
    if (!error->empty()) return false;
  }
  std::vector<Certificate> certificates;
  Key key;
  std::string certificateOption;  // names the file holding the certificate, for messages
  if (!request.pkcs12.empty()) {
    certificateOption = "--pkcs12 " + request.pkcs12;
    std::string bytes;
    if (!ReadWholeFile(request.pkcs12, &bytes, error)) return Complain(error, "--pkcs12 " + *error);
    Bio in = MemoryBio(bytes);
    std::unique_ptr<PKCS12, Pkcs12Free> p12(d2i_PKCS12_bio(in.get(), nullptr));
    if (!p12) return Complain(error, certificateOption + ": not a PKCS#12 file");
    if (!PKCS12_verify_mac(p12.get(), password.c_str(), -1) &&
        !(password.empty() && PKCS12_verify_mac(p12.get(), nullptr, 0))) {
      ERR_clear_error();
      return Complain(error, certificateOption + ": wrong password" +
                      (request.passwordFile.empty() ? " (none given; --password-file names a file holding it)"
                                                    : " (from --password-file " + request.passwordFile + ")"));
    }
    EVP_PKEY* parsedKey = nullptr;
    X509* parsedCertificate = nullptr;
    STACK_OF(X509)* chain = nullptr;
    const int parsed = PKCS12_parse(p12.get(), password.c_str(), &parsedKey, &parsedCertificate, &chain);
    std::unique_ptr<STACK_OF(X509), StackFree> chainOwner(chain);
    key.reset(parsedKey);
    if (parsedCertificate) certificates.emplace_back(parsedCertificate);
    ERR_clear_error();
    if (!parsed || !key || certificates.empty()) {
      return Complain(error, certificateOption + ": holds no certificate with its private key");
    }
  } else {
    if (request.certificate.empty()) return Complain(error, "--key needs --certificate (or use --pkcs12)");
    if (request.key.empty()) return Complain(error, "--certificate needs --key (or use --pkcs12)");
    certificateOption = "--certificate " + request.certificate;
    std::string bytes;
    if (!ReadWholeFile(request.certificate, &bytes, error)) return Complain(error, "--certificate " + *error);
    certificates = ReadCertificates(bytes);
    if (certificates.empty()) return Complain(error, certificateOption + ": not a certificate (PEM or DER)");
    if (!ReadWholeFile(request.key, &bytes, error)) return Complain(error, "--key " + *error);
    bool encrypted = false;
    key = ReadKey(bytes, password, &encrypted);
    if (!key) {
      *error = "--key " + request.key + ": " +
               (encrypted ? (password.empty() ? "encrypted, and no --password-file gives its password"
                                              : "wrong password (from --password-file " + request.passwordFile + ")")
                          : "not a private key (PEM or DER)");
      return false;
    }
  }
  // The signer is the certificate of the key; a PEM file may carry the chain after it.
  const X509* signer = nullptr;
  for (const Certificate& certificate : certificates) {
    if (X509_check_private_key(certificate.get(), key.get()) == 1) {
      signer = certificate.get();
      break;
    }
  }
  ERR_clear_error();
  if (!signer) {
    *error = certificateOption + ": no certificate in it belongs to the private key" +
             (request.pkcs12.empty() ? " of --key " + request.key : std::string());
    return false;
  }
  if (X509_cmp_current_time(X509_get0_notAfter(signer)) <= 0) {
    *error = certificateOption + ": the certificate expired on " + TimeText(X509_get0_notAfter(signer)) +
             "; Windows would show the signature as invalid";
    return false;
  }
  if (X509_cmp_current_time(X509_get0_notBefore(signer)) > 0) {
    *error = certificateOption + ": the certificate is not valid before " + TimeText(X509_get0_notBefore(signer)) +
             "; Windows would show the signature as invalid";
    return false;
  }
  *signingTime = UnixTime(X509_get0_notBefore(signer));
  const char* epoch = getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) *signingTime = strtoll(epoch, nullptr, 10);
  return true;
}

bool SignInstaller(const SigningRequest& request, long long signingTime, const std::string& unsignedPath,
                   const std::string& signedPath, std::string* error) {
  std::vector<std::string> args = {"osslsigncode", "sign", "-h", "sha256"};
  if (!request.pkcs12.empty()) {
    args.insert(args.end(), {"-pkcs12", request.pkcs12});
  } else {
    args.insert(args.end(), {"-certs", request.certificate, "-key", request.key});
  }
  // osslsigncode reads the password from the file itself, so that it never shows in a process list.
  if (!request.passwordFile.empty()) args.insert(args.end(), {"-readpass", request.passwordFile});
  if (!request.timestampUrl.empty()) {
    args.insert(args.end(), {"-ts", request.timestampUrl});
  } else {
    args.insert(args.end(), {"-time", std::to_string(signingTime)});
  }
  args.insert(args.end(), {"-in", unsignedPath, "-out", signedPath});
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  // Its report goes to a file beside the output, read back for the first complaint. The file is
  // made anew, never opened through a name someone left there: a link planted in the output's
  // folder must not make the report overwrite the file it points to.
  const std::string reportPath = signedPath + ".log";
  remove(reportPath.c_str());
  const int report = open(reportPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (report < 0) {
    *error = "cannot create " + reportPath + ": " + strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, report, 1);
  posix_spawn_file_actions_adddup2(&actions, report, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, "osslsigncode", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(report);
  if (spawned != 0) {
    remove(reportPath.c_str());
    *error = std::string("cannot run osslsigncode, which signs the installer: ") + strerror(spawned);
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  std::string reported, ignored;
  ReadWholeFile(reportPath, &reported, &ignored);
  remove(reportPath.c_str());
  // osslsigncode makes its output as an ordinary file; the installer is a program.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && chmod(signedPath.c_str(), 0755) == 0) return true;
  remove(signedPath.c_str());
  // It reports in its own lines, ended by "Failed", and in OpenSSL's error lines
  // ("<thread>:error:<code>:<library>:<function>:<reason>:<file>:<line>:"), whose reasons are the
  // clearest words on a failed connection.
  std::string own, library;
  for (size_t at = 0; at < reported.size();) {
    const size_t end = std::min(reported.find('\n', at), reported.size());
    const std::string line = reported.substr(at, end - at);
    at = end + 1;
    const size_t marker = line.find(":error:");
    if (marker != std::string::npos && marker > 0 && line.find_first_not_of("0123456789ABCDEF") == marker) {
      size_t field = marker + 7;
      for (int i = 0; i < 3 && field != std::string::npos; ++i) field = line.find(':', field) + 1;
      if (library.empty() && field != 0) library = line.substr(field, line.find(':', field) - field);
    } else if (own.empty() && !line.empty() && line != "Failed" && line.compare(0, 11, "Connecting ") != 0) {
      own = line;
    }
  }
  std::string reason = !own.empty() ? own : !library.empty() ? library : "it failed without saying why";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) reason = "it could not be started";
  *error = "osslsigncode could not sign the installer" +
           (request.timestampUrl.empty() ? std::string() : " (time-stamping service " + request.timestampUrl + ")") +
           ": " + reason;
  return false;
}
