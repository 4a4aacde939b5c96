// Test support: signers made in memory (a vendor's certificate issued by a CA,
// a self-signed test certificate, Microsoft's hardware compatibility
// publisher as its name and usages give it), catalogs written and signed with
// the project's own writer, and catalogs damaged in the ways a release meets.
#pragma once

#include <openssl/ec.h>
#include <openssl/x509v3.h>

#include <string>
#include <vector>

#include "tools/distcheck/catalog/catalog_format.h"
#include "tools/distcheck/catalog/catalog_writer.h"
#include "tools/distcheck/catalog/openssl_ptr.h"

namespace catalog_test {

struct Signer {
  X509Ptr cert;
  EvpPkeyPtr key;
};

// A certificate of subject "O = organization, CN = name" for a new P-256
// key, issued by issuer (nullptr: itself), with the extended key usages ekus
// ("codeSigning,1.3.6.1.4.1.311.10.3.5") when given.
inline Signer MakeSigner(const char* organization, const char* name, const Signer* issuer,
                         const char* ekus) {
  Signer signer{X509Ptr(X509_new()), EvpPkeyPtr(EVP_EC_gen("P-256"))};
  X509* cert = signer.cert.get();
  X509_set_version(cert, X509_VERSION_3);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 7);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
  X509_NAME* subject = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(organization), -1, -1, 0);
  X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(name), -1, -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer->cert.get()) : subject);
  X509_set_pubkey(cert, signer.key.get());
  if (ekus != nullptr) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer ? issuer->cert.get() : cert, cert, nullptr, nullptr, 0);
    const X509ExtensionPtr usage(X509V3_EXT_conf_nid(nullptr, &context, NID_ext_key_usage, ekus));
    X509_add_ext(cert, usage.get(), -1);
  }
  X509_sign(cert, issuer ? issuer->key.get() : signer.key.get(), EVP_sha256());
  return signer;
}

inline const Signer& VendorCa() {
  static const Signer ca = MakeSigner("ZAV test", "ZAV test code signing CA", nullptr, nullptr);
  return ca;
}
// A vendor's code-signing certificate, issued by VendorCa().
inline const Signer& VendorSigner() {
  static const Signer signer = MakeSigner("ZAV", "ZAV", &VendorCa(), "codeSigning");
  return signer;
}
inline const Signer& SelfSigned() {
  static const Signer signer = MakeSigner("ZAV", "ZAV test", nullptr, "codeSigning");
  return signer;
}
inline const Signer& MicrosoftCa() {
  static const Signer ca = MakeSigner(
      "Microsoft Corporation", "Microsoft Windows Hardware Compatibility PCA", nullptr, nullptr);
  return ca;
}
// Microsoft's hardware compatibility publisher with the usages given.
inline Signer MicrosoftSigner(const char* ekus) {
  return MakeSigner("Microsoft Corporation", "Microsoft Windows Hardware Compatibility Publisher",
                    &MicrosoftCa(), ekus);
}

// A catalog of the files, written and signed with the project's writer.
inline std::string MakeCatalog(const std::vector<CatalogSource>& files,
                               const Signer& signer = VendorSigner(), int version = 1,
                               const std::string& osAttr = CatalogInput().osAttr) {
  CatalogInput input;
  input.version = version;
  input.time = 1790812800;
  input.osAttr = osAttr;
  input.files = files;
  std::string der, problem;
  WriteCatalog(input, signer.cert.get(), signer.key.get(), &der, &problem);
  return der;
}

// The catalog der after edit has changed its SignedData.
template <typename Edit>
std::string Edited(const std::string& der, Edit edit) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const Pkcs7Ptr envelope(d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())));
  edit(envelope->d.sign);
  unsigned char* out = nullptr;
  const int length = i2d_PKCS7(envelope.get(), &out);
  const DerBytesPtr owner(out);
  return std::string(reinterpret_cast<char*>(out), static_cast<size_t>(length));
}

inline std::string WithoutSigners(const std::string& der) {
  return Edited(der, [](PKCS7_SIGNED* sign) {
    sk_PKCS7_SIGNER_INFO_pop_free(sign->signer_info, PKCS7_SIGNER_INFO_free);
    sign->signer_info = sk_PKCS7_SIGNER_INFO_new_null();
  });
}

inline std::string WithoutCertificates(const std::string& der) {
  return Edited(der, [](PKCS7_SIGNED* sign) {
    sk_X509_pop_free(sign->cert, X509_free);
    sign->cert = nullptr;
  });
}

// The signature value with its last byte changed.
inline std::string WithSignatureDamaged(const std::string& der) {
  return Edited(der, [](PKCS7_SIGNED* sign) {
    ASN1_OCTET_STRING* value = sk_PKCS7_SIGNER_INFO_value(sign->signer_info, 0)->enc_digest;
    std::string bytes(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                      static_cast<size_t>(ASN1_STRING_length(value)));
    bytes.back() = static_cast<char>(bytes.back() ^ 1);
    ASN1_OCTET_STRING_set(value, reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size()));
  });
}

// The signed message digest made an object identifier, not an octet string.
inline std::string WithDigestOfAnotherType(const std::string& der) {
  return Edited(der, [](PKCS7_SIGNED* sign) {
    PKCS7_add_signed_attribute(sk_PKCS7_SIGNER_INFO_value(sign->signer_info, 0),
                               NID_pkcs9_messageDigest, V_ASN1_OBJECT, OBJ_nid2obj(NID_sha1));
  });
}

}  // namespace catalog_test
