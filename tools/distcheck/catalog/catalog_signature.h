// The signature of a catalog: whether its first signer's signature covers the
// trust list and verifies with that signer's certificate (taken from the
// catalog itself), and who the signer is. Certificate chains, trust and
// revocation are not looked at.
#pragma once

#include <openssl/pkcs7.h>

#include <string>

enum class SignerKind {
  kNone,                  // no signer, or its certificate is not in the catalog
  kMicrosoftWhql,         // Microsoft's hardware compatibility publisher, WHQL usage
  kMicrosoftAttestation,  // the same publisher, attestation usage
  kVendor,                // any other certificate issued by another
  kTest,                  // a self-signed certificate
};

// "microsoft-whql", "microsoft-attestation", "vendor", "test"; "" for kNone.
const char* SignerKindCode(SignerKind kind);
// "Microsoft hardware compatibility (WHQL)" ...: for people.
const char* SignerKindText(SignerKind kind);
bool IsMicrosoftSigner(SignerKind kind);

struct CatalogSignature {
  enum Status { kUnsigned, kInvalid, kValid };
  Status status = kUnsigned;
  std::string problem;  // kInvalid: why
  // The signer's certificate: subject and issuer as "C = US, O = ..., CN = ...".
  std::string subject;
  std::string issuer;
  SignerKind kind = SignerKind::kNone;
};

// What a SignedData envelope signs: a catalog's certificate trust list, or
// the image hash of a signed PE image (SpcIndirectData).
struct SignedContentKind {
  const char* contentType;  // the object identifier its signed attributes must name
  const char* name;         // for people: "certificate trust list"
  const char* shortName;    // the same, once named: "trust list"
  const char* signedThing;  // what changed when the digest differs: "the catalog"
  const char* container;    // where the signer's certificate must be: "the catalog"
};
extern const SignedContentKind kCatalogContent;
extern const SignedContentKind kImageContent;

// The first signer's view of the SignedData envelope, whose content octets
// (the content's DER without its tag and length) are signedContent, a
// content of the given kind.
CatalogSignature VerifySignedData(PKCS7* envelope, const std::string& signedContent,
                                  const SignedContentKind& kind);
