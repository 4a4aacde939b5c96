#include "tools/distcheck/catalog/catalog_signature.h"

#include <openssl/x509v3.h>

#include "tools/distcheck/catalog/catalog_format.h"
#include "tools/distcheck/catalog/openssl_ptr.h"

namespace {

constexpr char kMicrosoftPublisher[] = "Microsoft Windows Hardware Compatibility Publisher";
constexpr char kMicrosoftOrganization[] = "Microsoft Corporation";

std::string NameText(const X509_NAME* name) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE) < 0) return std::string();
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return length > 0 ? std::string(data, static_cast<size_t>(length)) : std::string();
}

// The first value of the field nid of name, as UTF-8; "" when there is none.
std::string NameField(const X509_NAME* name, int nid) {
  const int index = X509_NAME_get_index_by_NID(name, nid, -1);
  if (index < 0) return std::string();
  unsigned char* utf8 = nullptr;
  const int length =
      ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
  const DerBytesPtr owner(utf8);
  return length > 0 ? std::string(reinterpret_cast<char*>(utf8), static_cast<size_t>(length))
                    : std::string();
}

bool HasUsage(X509* cert, const char* oid) {
  const ExtendedKeyUsagePtr usages(static_cast<EXTENDED_KEY_USAGE*>(
      X509_get_ext_d2i(cert, NID_ext_key_usage, nullptr, nullptr)));
  for (int i = 0; usages && i < sk_ASN1_OBJECT_num(usages.get()); ++i) {
    if (IsOid(sk_ASN1_OBJECT_value(usages.get(), i), oid)) return true;
  }
  return false;
}

SignerKind KindOf(X509* cert) {
  const X509_NAME* subject = X509_get_subject_name(cert);
  const X509_NAME* issuer = X509_get_issuer_name(cert);
  if (X509_NAME_cmp(subject, issuer) == 0 && X509_verify(cert, X509_get0_pubkey(cert)) == 1) {
    return SignerKind::kTest;
  }
  const bool microsoft = NameField(subject, NID_commonName) == kMicrosoftPublisher &&
                         NameField(subject, NID_organizationName) == kMicrosoftOrganization &&
                         NameField(issuer, NID_organizationName) == kMicrosoftOrganization;
  if (microsoft && HasUsage(cert, catalog_oid::kEkuAttestation)) {
    return SignerKind::kMicrosoftAttestation;
  }
  if (microsoft && HasUsage(cert, catalog_oid::kEkuWhql)) return SignerKind::kMicrosoftWhql;
  return SignerKind::kVendor;
}

// Whether the signed attributes name the content's kind and hold its digest.
bool AttributesCoverContent(PKCS7_SIGNER_INFO* signer, const EVP_MD* md, const std::string& content,
                            const SignedContentKind& kind, std::string* problem) {
  const ASN1_TYPE* type = PKCS7_get_signed_attribute(signer, NID_pkcs9_contentType);
  if (type == nullptr || type->type != V_ASN1_OBJECT ||
      !IsOid(type->value.object, kind.contentType)) {
    *problem = std::string("its signed attributes do not name a ") + kind.name + " as the content";
    return false;
  }
  // (PKCS7_digest_from_attributes would take any type of value for an octet string.)
  const ASN1_TYPE* value = PKCS7_get_signed_attribute(signer, NID_pkcs9_messageDigest);
  const ASN1_OCTET_STRING* digest =
      value != nullptr && value->type == V_ASN1_OCTET_STRING ? value->value.octet_string : nullptr;
  unsigned char computed[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (digest == nullptr ||
      EVP_Digest(content.data(), content.size(), computed, &length, md, nullptr) != 1 ||
      static_cast<unsigned int>(ASN1_STRING_length(digest)) != length ||
      std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(digest)), length) !=
          std::string(reinterpret_cast<const char*>(computed), length)) {
    *problem = std::string("the digest it signed does not match the ") + kind.shortName + ": " +
               kind.signedThing + " was changed after it was signed";
    return false;
  }
  return true;
}

// The names of each kind: its code and its text for people.
struct KindNames {
  SignerKind kind;
  const char* code;
  const char* text;
};

const KindNames& NamesOf(SignerKind kind) {
  static const KindNames names[] = {
      {SignerKind::kNone, "", "none"},
      {SignerKind::kMicrosoftWhql, "microsoft-whql", "Microsoft hardware compatibility (WHQL)"},
      {SignerKind::kMicrosoftAttestation, "microsoft-attestation",
       "Microsoft hardware compatibility (attestation)"},
      {SignerKind::kVendor, "vendor", "vendor"},
      {SignerKind::kTest, "test", "test certificate, self-signed"},
  };
  for (const KindNames& entry : names) {
    if (entry.kind == kind) return entry;
  }
  return names[0];
}

}  // namespace

const char* SignerKindCode(SignerKind kind) { return NamesOf(kind).code; }

const char* SignerKindText(SignerKind kind) { return NamesOf(kind).text; }

bool IsMicrosoftSigner(SignerKind kind) {
  return kind == SignerKind::kMicrosoftWhql || kind == SignerKind::kMicrosoftAttestation;
}

const SignedContentKind kCatalogContent = {catalog_oid::kTrustList, "certificate trust list",
                                           "trust list", "the catalog", "the catalog"};
const SignedContentKind kImageContent = {catalog_oid::kIndirectData, "signed image hash",
                                         "signed image hash", "the file", "the file's signature"};

CatalogSignature VerifySignedData(PKCS7* envelope, const std::string& signedContent,
                                  const SignedContentKind& kind) {
  CatalogSignature signature;
  STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(envelope);
  if (signers == nullptr || sk_PKCS7_SIGNER_INFO_num(signers) == 0) return signature;
  signature.status = CatalogSignature::kInvalid;
  PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(signers, 0);
  X509* cert = nullptr;
  if (signer->issuer_and_serial != nullptr) {
    cert = X509_find_by_issuer_and_serial(envelope->d.sign->cert, signer->issuer_and_serial->issuer,
                                          signer->issuer_and_serial->serial);
  }
  if (cert == nullptr) {
    signature.problem = std::string("the signer's certificate is not in ") + kind.container;
    return signature;
  }
  signature.subject = NameText(X509_get_subject_name(cert));
  signature.issuer = NameText(X509_get_issuer_name(cert));
  signature.kind = KindOf(cert);

  const EVP_MD* md =
      signer->digest_alg != nullptr ? EVP_get_digestbyobj(signer->digest_alg->algorithm) : nullptr;
  if (md == nullptr) {
    signature.problem = "its digest algorithm is unknown";
    return signature;
  }
  // With signed attributes the signature covers them (as a SET), else the content.
  DerBytesPtr attributes;
  const unsigned char* signedBytes = reinterpret_cast<const unsigned char*>(signedContent.data());
  size_t signedSize = signedContent.size();
  if (sk_X509_ATTRIBUTE_num(signer->auth_attr) > 0) {
    if (!AttributesCoverContent(signer, md, signedContent, kind, &signature.problem))
      return signature;
    unsigned char* der = nullptr;
    const int length = ASN1_item_i2d(reinterpret_cast<const ASN1_VALUE*>(signer->auth_attr), &der,
                                     ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
    attributes.reset(der);
    if (length <= 0) {
      signature.problem = "its signed attributes cannot be encoded";
      return signature;
    }
    signedBytes = der;
    signedSize = static_cast<size_t>(length);
  }
  const EvpMdCtxPtr context(EVP_MD_CTX_new());
  EVP_PKEY* key = X509_get0_pubkey(cert);
  if (!context || key == nullptr || signer->enc_digest == nullptr ||
      EVP_DigestVerifyInit(context.get(), nullptr, md, nullptr, key) != 1 ||
      EVP_DigestVerify(context.get(), ASN1_STRING_get0_data(signer->enc_digest),
                       static_cast<size_t>(ASN1_STRING_length(signer->enc_digest)), signedBytes,
                       signedSize) != 1) {
    signature.problem = "the signature does not verify with the signer's certificate";
    return signature;
  }
  signature.status = CatalogSignature::kValid;
  return signature;
}
