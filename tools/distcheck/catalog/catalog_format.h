// What a security catalog is made of, known here once for the reader and the
// writer: the object identifiers and the ASN.1 structures of its certificate
// trust list (described to OpenSSL's ASN.1 templates, which encode and decode
// them), and the constant parts that catalog tools write.
//
// A catalog is a PKCS #7 SignedData whose content (type kTrustList) is:
//   CertificateTrustList ::= SEQUENCE {
//     version             INTEGER OPTIONAL,
//     subjectUsage        SEQUENCE OF OBJECT IDENTIFIER,   -- kCatalogList
//     listIdentifier      OCTET STRING OPTIONAL,
//     sequenceNumber      INTEGER OPTIONAL,
//     thisUpdate          Time,
//     nextUpdate          Time OPTIONAL,
//     subjectAlgorithm    AlgorithmIdentifier,             -- kMemberV1 or kMemberV2
//     trustedSubjects     SEQUENCE OF CatalogSubject OPTIONAL,
//     extensions      [0] EXPLICIT Extensions OPTIONAL }   -- the catalog attributes
//   CatalogSubject ::= SEQUENCE {
//     identifier          OCTET STRING,   -- v1: the hash in upper-case hex, UTF-16LE, NUL
//                                         -- ended; v2: the hash's bytes
//     attributes          SET OF CatalogAttribute OPTIONAL }
//   CatalogAttribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET OF ANY }
//   CatalogNameValue ::= SEQUENCE {       -- kNameValue: "File", "OSAttr", "OS", "HWID1"...
//     name BMPString, flags INTEGER, value OCTET STRING }   -- value: UTF-16LE, NUL ended
//   CatalogMemberInfo ::= SEQUENCE { subjectGuid BMPString, certVersion INTEGER }
//   SpcIndirectData ::= SEQUENCE {       -- kIndirectData: what was hashed, and the hash
//     data SEQUENCE { type OBJECT IDENTIFIER, value ANY OPTIONAL },  -- kPeImageData or
//                                                                    -- kWholeFileData
//     digest SEQUENCE { algorithm AlgorithmIdentifier, digest OCTET STRING } }
// The signature covers the trust list's content octets (its DER without the
// SEQUENCE's tag and length).
#pragma once

#include <openssl/asn1.h>
#include <openssl/asn1t.h>
#include <openssl/x509.h>

#include <string>

namespace catalog_oid {
constexpr char kTrustList[] = "1.3.6.1.4.1.311.10.1";      // the content type
constexpr char kCatalogList[] = "1.3.6.1.4.1.311.12.1.1";  // the subject usage of a catalog
constexpr char kMemberV1[] = "1.3.6.1.4.1.311.12.1.2";     // members of version 1 (SHA-1)
constexpr char kMemberV2[] = "1.3.6.1.4.1.311.12.1.3";     // members of version 2 (SHA-256)
constexpr char kNameValue[] = "1.3.6.1.4.1.311.12.2.1";
constexpr char kMemberInfo[] = "1.3.6.1.4.1.311.12.2.2";   // version 1 members
constexpr char kMemberInfo2[] = "1.3.6.1.4.1.311.12.2.3";  // version 2 members
constexpr char kIndirectData[] = "1.3.6.1.4.1.311.2.1.4";
constexpr char kPeImageData[] = "1.3.6.1.4.1.311.2.1.15";    // a PE image's image hash
constexpr char kWholeFileData[] = "1.3.6.1.4.1.311.2.1.25";  // any other file, hashed whole
constexpr char kStatementType[] = "1.3.6.1.4.1.311.2.1.11";  // signed attributes of the signer
constexpr char kIndividualCodeSigning[] = "1.3.6.1.4.1.311.2.1.21";
constexpr char kOpusInfo[] = "1.3.6.1.4.1.311.2.1.12";
// Enhanced key usages of Microsoft's hardware compatibility publisher.
constexpr char kEkuWhql[] = "1.3.6.1.4.1.311.10.3.5";
constexpr char kEkuAttestation[] = "1.3.6.1.4.1.311.10.3.5.1";
}  // namespace catalog_oid

// The flags catalog tools give a CatalogNameValue.
constexpr long kNameValueFlags = 0x10010001;
// The subject GUIDs of CatalogMemberInfo: a PE image, any other file.
constexpr char kPeImageGuid[] = "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}";
constexpr char kWholeFileGuid[] = "{DE351A42-8E59-11D0-8C47-00C04FC295EE}";
constexpr long kMemberInfoVersion = 512;
// The value of kPeImageData (SpcPeImageData: flags, an empty file link) and of
// kWholeFileData (the empty file link), as catalog tools write them.
constexpr char kPeImageValue[] = "\x30\x0A\x03\x02\x05\xA0\xA0\x04\xA2\x02\x80\x00";
constexpr char kWholeFileValue[] = "\xA2\x02\x80\x00";
// The value of kMemberInfo2: an empty [2].
constexpr char kMemberInfo2Value[] = "\x82\x00";
// The signer's attributes kStatementType (individual code signing) and
// kOpusInfo (no program name, no link).
constexpr char kStatementTypeValue[] = "\x30\x0C\x06\x0A\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x15";
constexpr char kOpusInfoValue[] = "\x30\x00";

struct CatalogAttribute {
  ASN1_OBJECT* type;
  STACK_OF(ASN1_TYPE) * values;
};
DECLARE_ASN1_FUNCTIONS(CatalogAttribute)
DEFINE_STACK_OF(CatalogAttribute)

struct CatalogSubject {
  ASN1_OCTET_STRING* identifier;
  STACK_OF(CatalogAttribute) * attributes;
};
DECLARE_ASN1_FUNCTIONS(CatalogSubject)
DEFINE_STACK_OF(CatalogSubject)

struct CatalogTrustList {
  ASN1_INTEGER* version;
  STACK_OF(ASN1_OBJECT) * subjectUsage;
  ASN1_OCTET_STRING* listIdentifier;
  ASN1_INTEGER* sequenceNumber;
  ASN1_TIME* thisUpdate;
  ASN1_TIME* nextUpdate;
  X509_ALGOR* subjectAlgorithm;
  STACK_OF(CatalogSubject) * subjects;
  STACK_OF(X509_EXTENSION) * extensions;
};
DECLARE_ASN1_FUNCTIONS(CatalogTrustList)

struct CatalogNameValue {
  ASN1_BMPSTRING* name;
  ASN1_INTEGER* flags;
  ASN1_OCTET_STRING* value;
};
DECLARE_ASN1_FUNCTIONS(CatalogNameValue)

struct CatalogMemberInfo {
  ASN1_BMPSTRING* subjectGuid;
  ASN1_INTEGER* certVersion;
};
DECLARE_ASN1_FUNCTIONS(CatalogMemberInfo)

struct CatalogTypedValue {
  ASN1_OBJECT* type;
  ASN1_TYPE* value;
};
DECLARE_ASN1_FUNCTIONS(CatalogTypedValue)

struct CatalogDigestInfo {
  X509_ALGOR* algorithm;
  ASN1_OCTET_STRING* digest;
};
DECLARE_ASN1_FUNCTIONS(CatalogDigestInfo)

struct SpcIndirectData {
  CatalogTypedValue* data;
  CatalogDigestInfo* digest;
};
DECLARE_ASN1_FUNCTIONS(SpcIndirectData)

// Whether object is the object identifier given in dotted form.
bool IsOid(const ASN1_OBJECT* object, const char* dotted);

// The dotted form of an object identifier.
std::string OidText(const ASN1_OBJECT* object);

// The content octets of one whole DER element (its bytes after its tag and
// length); false when element is not exactly one.
bool DerContent(const std::string& element, std::string* content);
