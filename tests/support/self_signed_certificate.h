// A throw-away TLS identity for 127.0.0.1, made at run time, with its certificate in a PEM file
// that a client can be told to trust.
#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace test_support {

class SelfSignedCertificate {
public:
  // Makes a P-256 key and a certificate for "127.0.0.1" and "localhost", valid for a day, and
  // writes the certificate to a file in a fresh temporary folder. Throws std::runtime_error on
  // failure.
  SelfSignedCertificate();
  // Removes the file and its folder.
  ~SelfSignedCertificate();
  SelfSignedCertificate(const SelfSignedCertificate&) = delete;
  SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

  X509* Certificate() const { return certificate_.get(); }
  EVP_PKEY* Key() const { return key_.get(); }
  // PEM file holding the certificate.
  const std::string& CertificateFile() const { return file_; }

private:
  struct Free {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* certificate) const { X509_free(certificate); }
  };
  std::unique_ptr<EVP_PKEY, Free> key_;
  std::unique_ptr<X509, Free> certificate_;
  std::string folder_;
  std::string file_;
};

}  // namespace test_support
