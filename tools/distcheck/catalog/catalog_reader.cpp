#include "tools/distcheck/catalog/catalog_reader.h"

#include <openssl/err.h>

#include "env/mbcs.h"
#include "tools/distcheck/base/text_codec.h"
#include "tools/distcheck/catalog/catalog_format.h"
#include "tools/distcheck/catalog/openssl_ptr.h"

namespace {

using TrustListPtr = OpenSslPtr<CatalogTrustList, CatalogTrustList_free>;
using NameValuePtr = OpenSslPtr<CatalogNameValue, CatalogNameValue_free>;
using IndirectDataPtr = OpenSslPtr<SpcIndirectData, SpcIndirectData_free>;

std::string BytesOf(const ASN1_STRING* text) {
  return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                     static_cast<size_t>(ASN1_STRING_length(text)));
}

// UTF-16 bytes (big-endian for a BMPString, else little-endian) as code page
// 1252 text, up to the first NUL.
std::string Utf16Text(const std::string& bytes, bool bigEndian) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto high = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
    const auto low = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
    const char16_t c = static_cast<char16_t>((high << 8) | low);
    if (c == 0) break;
    text += c;
  }
  return Utf16ToCp1252(text);
}

// Why bytes do not even start with a whole DER SEQUENCE; "" when they do.
std::string OuterProblem(const std::string& bytes) {
  if (bytes.empty()) return "the file is empty";
  if (bytes[0] != 0x30) {
    return "it is not a binary PKCS #7 file (a text file, or another format)";
  }
  const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* p = start;
  long length = 0;
  int tag = 0, cls = 0;
  const int result = ASN1_get_object(&p, &length, &tag, &cls, static_cast<long>(bytes.size()));
  if (!(result & 0x80)) return std::string();
  if (ERR_GET_REASON(ERR_peek_last_error()) == ASN1_R_TOO_LONG) {
    return "it is cut short: it declares " +
           std::to_string(static_cast<size_t>(p - start) + static_cast<size_t>(length)) +
           " bytes, the file has " + std::to_string(bytes.size());
  }
  return "it is not DER-encoded ASN.1";
}

// A CatalogNameValue held in DER bytes; false when it is none.
bool ReadNameValue(const std::string& der, std::string* name, std::string* value) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const NameValuePtr pair(d2i_CatalogNameValue(nullptr, &p, static_cast<long>(der.size())));
  if (!pair) return false;
  *name = Utf16Text(BytesOf(pair->name), true);
  *value = Utf16Text(BytesOf(pair->value), false);
  return true;
}

bool HashAlgorithmOf(const X509_ALGOR* algorithm, HashAlgorithm* out) {
  const int nid = algorithm != nullptr ? OBJ_obj2nid(algorithm->algorithm) : NID_undef;
  if (nid == NID_sha1) *out = HashAlgorithm::kSha1;
  if (nid == NID_sha256) *out = HashAlgorithm::kSha256;
  return nid == NID_sha1 || nid == NID_sha256;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The hash a member identifier stands for: version 1 writes it in hex as
// UTF-16LE text, version 2 as its bytes. false when it stands for none.
bool HashOfIdentifier(const std::string& identifier, int version, CatalogMember* member) {
  std::string hash = identifier;
  if (version == 1) {
    const std::string hex = Utf16Text(identifier, false);
    if (hex.size() % 2 != 0) return false;
    hash.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
      const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
      if (high < 0 || low < 0) return false;
      hash += static_cast<char>(high * 16 + low);
    }
  }
  if (hash.size() != 20 && hash.size() != 32) return false;
  member->algorithm = hash.size() == 20 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256;
  member->hash = hash;
  member->hasHash = true;
  return true;
}

// One attribute value of a member; false when an attribute the checker reads is damaged.
bool ReadMemberAttribute(const CatalogAttribute* attribute, const ASN1_TYPE* value,
                         CatalogMember* member) {
  const bool nameValue = IsOid(attribute->type, catalog_oid::kNameValue);
  const bool indirect = IsOid(attribute->type, catalog_oid::kIndirectData);
  if (!nameValue && !indirect) return true;
  if (value->type != V_ASN1_SEQUENCE) return false;
  const std::string der = BytesOf(value->value.sequence);
  if (nameValue) {
    std::string name, text;
    if (!ReadNameValue(der, &name, &text)) return false;
    if (AsciiEqualNoCase(name, "File")) member->file = text;
    if (AsciiEqualNoCase(name, "OSAttr")) member->osAttr = text;
    return true;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const IndirectDataPtr data(d2i_SpcIndirectData(nullptr, &p, static_cast<long>(der.size())));
  if (!data || !HashAlgorithmOf(data->digest->algorithm, &member->algorithm)) return false;
  member->hash = BytesOf(data->digest->digest);
  member->hasHash = true;
  member->image = IsOid(data->data->type, catalog_oid::kPeImageData);
  return true;
}

bool ReadMembers(const CatalogTrustList* list, CatalogContent* catalog) {
  for (int i = 0; i < sk_CatalogSubject_num(list->subjects); ++i) {
    const CatalogSubject* subject = sk_CatalogSubject_value(list->subjects, i);
    CatalogMember member;
    for (int a = 0; a < sk_CatalogAttribute_num(subject->attributes); ++a) {
      const CatalogAttribute* attribute = sk_CatalogAttribute_value(subject->attributes, a);
      for (int v = 0; v < sk_ASN1_TYPE_num(attribute->values); ++v) {
        if (!ReadMemberAttribute(attribute, sk_ASN1_TYPE_value(attribute->values, v), &member)) {
          catalog->problem = "the attributes of member " + std::to_string(i + 1) +
                             " cannot be read (a damaged File, OSAttr or hash)";
          return false;
        }
      }
    }
    if (!member.hasHash) HashOfIdentifier(BytesOf(subject->identifier), catalog->version, &member);
    catalog->members.push_back(member);
  }
  return true;
}

bool ReadAttributes(const CatalogTrustList* list, CatalogContent* catalog) {
  for (int i = 0; i < sk_X509_EXTENSION_num(list->extensions); ++i) {
    X509_EXTENSION* extension = sk_X509_EXTENSION_value(list->extensions, i);
    if (!IsOid(X509_EXTENSION_get_object(extension), catalog_oid::kNameValue)) continue;
    std::string name, value;
    if (!ReadNameValue(BytesOf(X509_EXTENSION_get_data(extension)), &name, &value)) {
      catalog->problem = "catalog attribute " + std::to_string(i + 1) + " cannot be read";
      return false;
    }
    catalog->attributes.emplace_back(name, value);
  }
  return true;
}

// Reads the trust list of the envelope; false with catalog->problem set when
// there is none.
bool ReadTrustList(const PKCS7* envelope, CatalogContent* catalog, std::string* signedContent) {
  const PKCS7* content = PKCS7_type_is_signed(envelope) && envelope->d.sign != nullptr
                             ? envelope->d.sign->contents
                             : nullptr;
  if (content == nullptr) {
    catalog->problem = "it is PKCS #7 but not SignedData";
    return false;
  }
  if (!IsOid(content->type, catalog_oid::kTrustList)) {
    catalog->problem = "its content is no certificate trust list (content type " +
                       OidText(content->type) + ", a catalog's is " + catalog_oid::kTrustList + ")";
    return false;
  }
  const ASN1_TYPE* other = content->d.other;
  std::string der;
  if (other == nullptr || other->type != V_ASN1_SEQUENCE ||
      !DerContent(der = BytesOf(other->value.sequence), signedContent)) {
    catalog->problem = "its certificate trust list is missing or damaged";
    return false;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const TrustListPtr list(d2i_CatalogTrustList(nullptr, &p, static_cast<long>(der.size())));
  if (!list) {
    catalog->problem = "its certificate trust list cannot be read";
    return false;
  }
  bool isCatalog = false;
  for (int i = 0; i < sk_ASN1_OBJECT_num(list->subjectUsage); ++i) {
    isCatalog =
        isCatalog || IsOid(sk_ASN1_OBJECT_value(list->subjectUsage, i), catalog_oid::kCatalogList);
  }
  if (!isCatalog) {
    catalog->problem = "its certificate trust list is not a catalog (no usage " +
                       std::string(catalog_oid::kCatalogList) + ")";
    return false;
  }
  const ASN1_OBJECT* members = list->subjectAlgorithm->algorithm;
  catalog->version = IsOid(members, catalog_oid::kMemberV1)   ? 1
                     : IsOid(members, catalog_oid::kMemberV2) ? 2
                                                              : 0;
  if (catalog->version == 0) {
    catalog->problem = "its members are of an unknown kind (" + OidText(members) + ")";
    return false;
  }
  catalog->algorithm = catalog->version == 1 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256;
  return ReadMembers(list.get(), catalog) && ReadAttributes(list.get(), catalog);
}

}  // namespace

CatalogContent ReadCatalog(const std::string& bytes) {
  CatalogContent catalog;
  catalog.problem = OuterProblem(bytes);
  if (catalog.problem.empty()) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const Pkcs7Ptr envelope(d2i_PKCS7(nullptr, &p, static_cast<long>(bytes.size())));
    std::string signedContent;
    if (!envelope) {
      catalog.problem = "it is not a PKCS #7 structure";
    } else if (ReadTrustList(envelope.get(), &catalog, &signedContent)) {
      catalog.readable = true;
      catalog.signature = VerifySignedData(envelope.get(), signedContent, kCatalogContent);
    }
  }
  ERR_clear_error();  // what the library noted of refused input is of no further use
  return catalog;
}

std::string CatalogAttributeValue(const CatalogContent& catalog, const std::string& name) {
  for (const auto& [key, value] : catalog.attributes) {
    if (AsciiEqualNoCase(key, name)) return value;
  }
  return std::string();
}
