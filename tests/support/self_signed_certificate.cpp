// A throw-away TLS identity for 127.0.0.1, made at run time.
#include "tests/support/self_signed_certificate.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace test_support {
namespace {

void AddExtension(X509* certificate, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (!extension) throw std::runtime_error("certificate extension rejected");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

// Fills in a certificate for the loopback address and signs it with its own key.
void DescribeAndSign(X509* certificate, EVP_PKEY* key) {
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), static_cast<long>(getpid()) + 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  AddExtension(certificate, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(certificate, NID_subject_key_identifier, "hash");
  AddExtension(certificate, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  if (X509_sign(certificate, key, EVP_sha256()) == 0) throw std::runtime_error("X509_sign failed");
}

}  // namespace

SelfSignedCertificate::SelfSignedCertificate() {
  key_.reset(EVP_EC_gen("P-256"));
  if (!key_) throw std::runtime_error("EC key generation failed");
  certificate_.reset(X509_new());
  if (!certificate_) throw std::runtime_error("X509_new failed");
  DescribeAndSign(certificate_.get(), key_.get());
  char folder[] = "/tmp/pelmo-tls-XXXXXX";
  if (!mkdtemp(folder)) throw std::runtime_error("mkdtemp failed");
  std::string file = std::string(folder) + "/certificate.pem";
  FILE* out = std::fopen(file.c_str(), "w");
  bool written = out && PEM_write_X509(out, certificate_.get()) == 1;
  if (out) std::fclose(out);
  if (!written) {
    std::remove(file.c_str());
    rmdir(folder);
    throw std::runtime_error("cannot write " + file);
  }
  folder_ = folder;
  file_ = file;
}

SelfSignedCertificate::~SelfSignedCertificate() {
  std::remove(file_.c_str());
  rmdir(folder_.c_str());
}

}  // namespace test_support
