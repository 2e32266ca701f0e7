// Signing the finished installer with the publisher's certificate (Authenticode, by osslsigncode).
#pragma once
#include <string>

/// What the command line asks for: a certificate and its key, or a PKCS#12 file holding both;
/// the password of the key or the PKCS#12 file, if any, in a file (the whole file but a UTF-8
/// byte-order mark and the line ends at its end, as osslsigncode reads it); and an optional
/// RFC 3161 time-stamping service.
struct SigningRequest {
  std::string certificate;   // --certificate: PEM or DER, the publisher's certificate first or alone
  std::string key;           // --key: PEM or DER private key
  std::string pkcs12;        // --pkcs12
  std::string passwordFile;  // --password-file
  std::string timestampUrl;  // --timestamp-url

  bool Requested() const { return !certificate.empty() || !key.empty() || !pkcs12.empty(); }
};

/// Checks the signing material before anything is written: every named file is readable, the
/// password opens the key or the PKCS#12 file, the certificate belongs to the key, and the
/// certificate is valid today. An expired certificate, or one not yet valid, is refused: Windows
/// takes a signature whose certificate was not valid when it was made (a time stamp proves when
/// that was) for an invalid one, which warns the user more than no signature. Sets `*signingTime`
/// to the signing time SignInstaller records without a time stamp: SOURCE_DATE_EPOCH when it is
/// set, else the first second the certificate is valid, so that the same inputs give the same
/// signed bytes. Returns false with a one-line `*error` naming the option and the file at fault.
bool CheckSigningMaterial(const SigningRequest& request, long long* signingTime, std::string* error);

/// Signs the installer `unsignedPath` into `signedPath` with osslsigncode, found on the PATH:
/// SHA-256, and `signingTime` as the signing time unless a time-stamping service gives the time.
/// Returns false with a one-line `*error` (osslsigncode missing, its first complaint, such as a
/// time-stamping service out of reach); then nothing is left at `signedPath`.
bool SignInstaller(const SigningRequest& request, long long signingTime, const std::string& unsignedPath,
                   const std::string& signedPath, std::string* error);
