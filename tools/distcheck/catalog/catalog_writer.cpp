#include "tools/distcheck/catalog/catalog_writer.h"

#include <algorithm>
#include <map>

#include "tools/distcheck/base/text_codec.h"
#include "tools/distcheck/catalog/catalog_format.h"
#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/catalog/openssl_ptr.h"

namespace {

using TrustListPtr = OpenSslPtr<CatalogTrustList, CatalogTrustList_free>;
using SubjectPtr = OpenSslPtr<CatalogSubject, CatalogSubject_free>;
using AttributePtr = OpenSslPtr<CatalogAttribute, CatalogAttribute_free>;
using NameValuePtr = OpenSslPtr<CatalogNameValue, CatalogNameValue_free>;
using MemberInfoPtr = OpenSslPtr<CatalogMemberInfo, CatalogMemberInfo_free>;
using IndirectDataPtr = OpenSslPtr<SpcIndirectData, SpcIndirectData_free>;

template <typename T, int (*I2d)(const T*, unsigned char**)>
std::string DerOf(const T* value) {
  unsigned char* out = nullptr;
  const int length = I2d(value, &out);
  const DerBytesPtr owner(out);
  return length > 0 ? std::string(reinterpret_cast<char*>(out), static_cast<size_t>(length))
                    : std::string();
}

void SetBytes(ASN1_STRING* string, const std::string& bytes) {
  ASN1_STRING_set(string, bytes.data(), static_cast<int>(bytes.size()));
}

void SetOid(ASN1_OBJECT** field, const char* oid) {
  ASN1_OBJECT_free(*field);
  *field = OBJ_txt2obj(oid, 1);
}

// The ASN1_TYPE of one DER element.
ASN1_TYPE* AnyOf(const std::string& der) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  return d2i_ASN1_TYPE(nullptr, &p, static_cast<long>(der.size()));
}

// UTF-16 bytes of code page 1252 text: big-endian without an end, or
// little-endian with a NUL at the end.
std::string Utf16Bytes(const std::string& text, bool bigEndian) {
  std::string bytes;
  for (unsigned char c : text) {
    const char16_t u = Cp1252ToUtf16(c);
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bigEndian ? bytes : bytes + std::string(2, '\0');
}

std::string NameValueDer(const std::string& name, const std::string& value) {
  const NameValuePtr pair(CatalogNameValue_new());
  SetBytes(pair->name, Utf16Bytes(name, true));
  ASN1_INTEGER_set(pair->flags, kNameValueFlags);
  SetBytes(pair->value, Utf16Bytes(value, false));
  return DerOf<CatalogNameValue, i2d_CatalogNameValue>(pair.get());
}

void AddAttribute(CatalogSubject* subject, const char* oid, const std::string& der) {
  AttributePtr attribute(CatalogAttribute_new());
  SetOid(&attribute->type, oid);
  sk_ASN1_TYPE_push(attribute->values, AnyOf(der));
  sk_CatalogAttribute_push(subject->attributes, attribute.release());
}

std::string IndirectDataDer(const FileHash& hash, HashAlgorithm algorithm) {
  const IndirectDataPtr data(SpcIndirectData_new());
  const bool image = hash.kind == FileHash::kImage;
  SetOid(&data->data->type, image ? catalog_oid::kPeImageData : catalog_oid::kWholeFileData);
  data->data->value = AnyOf(image ? std::string(kPeImageValue, sizeof kPeImageValue - 1)
                                  : std::string(kWholeFileValue, sizeof kWholeFileValue - 1));
  X509_ALGOR_set0(data->digest->algorithm, OBJ_nid2obj(EVP_MD_type(HashDigest(algorithm))),
                  V_ASN1_NULL, nullptr);
  SetBytes(data->digest->digest, hash.digest);
  return DerOf<SpcIndirectData, i2d_SpcIndirectData>(data.get());
}

std::string MemberInfoDer(const FileHash& hash) {
  const MemberInfoPtr info(CatalogMemberInfo_new());
  SetBytes(info->subjectGuid,
           Utf16Bytes(hash.kind == FileHash::kImage ? kPeImageGuid : kWholeFileGuid, true));
  ASN1_INTEGER_set(info->certVersion, kMemberInfoVersion);
  return DerOf<CatalogMemberInfo, i2d_CatalogMemberInfo>(info.get());
}

// The members, by identifier; false with *problem when a file cannot be hashed.
bool MakeMembers(const CatalogInput& input, HashAlgorithm algorithm,
                 std::map<std::string, SubjectPtr>* members, std::string* problem) {
  for (const CatalogSource& file : input.files) {
    const FileHash hash = HashPackageFile(algorithm, file.content);
    if (hash.kind == FileHash::kDamagedImage) {
      *problem = file.name + " is a PE image whose certificate table lies outside it";
      return false;
    }
    const std::string identifier =
        input.version == 1 ? Utf16Bytes(HexOf(hash.digest), false) : hash.digest;
    if (members->count(identifier)) continue;  // the same bytes under another name
    SubjectPtr subject(CatalogSubject_new());
    SetBytes(subject->identifier, identifier);
    subject->attributes = sk_CatalogAttribute_new_null();
    AddAttribute(subject.get(), catalog_oid::kNameValue, NameValueDer("File", file.name));
    AddAttribute(subject.get(), catalog_oid::kNameValue, NameValueDer("OSAttr", input.osAttr));
    AddAttribute(subject.get(), catalog_oid::kIndirectData, IndirectDataDer(hash, algorithm));
    if (input.version == 1) {
      AddAttribute(subject.get(), catalog_oid::kMemberInfo, MemberInfoDer(hash));
    } else {
      AddAttribute(subject.get(), catalog_oid::kMemberInfo2,
                   std::string(kMemberInfo2Value, sizeof kMemberInfo2Value - 1));
    }
    (*members)[identifier] = std::move(subject);
  }
  return true;
}

// The trust list's DER, or "" when a file cannot be hashed.
std::string TrustListDer(const CatalogInput& input, std::string* problem) {
  const HashAlgorithm algorithm =
      input.version == 1 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256;
  std::map<std::string, SubjectPtr> members;
  if (!MakeMembers(input, algorithm, &members, problem)) return std::string();
  const TrustListPtr list(CatalogTrustList_new());
  sk_ASN1_OBJECT_push(list->subjectUsage, OBJ_txt2obj(catalog_oid::kCatalogList, 1));
  // The list's identifier: the first 16 bytes of a hash of its members, so
  // that the same files give the same catalog.
  Hasher identity(HashAlgorithm::kSha256);
  list->subjects = sk_CatalogSubject_new_null();
  for (auto& [identifier, subject] : members) {
    identity.Update(identifier.data(), identifier.size());
    sk_CatalogSubject_push(list->subjects, subject.release());
  }
  list->listIdentifier = ASN1_OCTET_STRING_new();
  SetBytes(list->listIdentifier, identity.Finish().substr(0, 16));
  ASN1_TIME_set(list->thisUpdate, input.time);
  X509_ALGOR_set0(
      list->subjectAlgorithm,
      OBJ_txt2obj(input.version == 1 ? catalog_oid::kMemberV1 : catalog_oid::kMemberV2, 1),
      V_ASN1_NULL, nullptr);
  list->extensions = sk_X509_EXTENSION_new_null();
  const std::string osAttr = NameValueDer("OSAttr", input.osAttr);
  AsnStringPtr value(ASN1_OCTET_STRING_new());
  SetBytes(value.get(), osAttr);
  const AsnObjectPtr nameValue(OBJ_txt2obj(catalog_oid::kNameValue, 1));
  sk_X509_EXTENSION_push(list->extensions,
                         X509_EXTENSION_create_by_OBJ(nullptr, nameValue.get(), 0, value.get()));
  return DerOf<CatalogTrustList, i2d_CatalogTrustList>(list.get());
}

// Adds the signed attribute oid with the DER value der.
void AddSignedAttribute(PKCS7_SIGNER_INFO* signer, const char* oid, const char* der, size_t size) {
  const AsnObjectPtr type(OBJ_txt2obj(oid, 1));
  X509at_add1_attr_by_OBJ(&signer->auth_attr, type.get(), V_ASN1_SEQUENCE,
                          reinterpret_cast<const unsigned char*>(der), static_cast<int>(size));
}

}  // namespace

bool WriteCatalog(const CatalogInput& input, X509* cert, EVP_PKEY* key, std::string* der,
                  std::string* problem) {
  if (X509_check_private_key(cert, key) != 1) {
    *problem = "the key is not the certificate's";
    return false;
  }
  const std::string trustList = TrustListDer(input, problem);
  std::string content;
  if (trustList.empty() || !DerContent(trustList, &content)) {
    if (problem->empty()) *problem = "the trust list cannot be encoded";
    return false;
  }
  const EVP_MD* md = HashDigest(input.version == 1 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256);
  const Pkcs7Ptr envelope(PKCS7_new());
  Pkcs7Ptr inner(PKCS7_new());
  PKCS7_SIGNER_INFO* signer = nullptr;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestSize = 0;
  if (!envelope || !inner || PKCS7_set_type(envelope.get(), NID_pkcs7_signed) != 1 ||
      (signer = PKCS7_add_signature(envelope.get(), cert, key, md)) == nullptr ||
      PKCS7_add_certificate(envelope.get(), cert) != 1 ||
      EVP_Digest(content.data(), content.size(), digest, &digestSize, md, nullptr) != 1) {
    *problem = "the signature cannot be made";
    return false;
  }
  inner->type = OBJ_txt2obj(catalog_oid::kTrustList, 1);
  inner->d.other = AnyOf(trustList);
  PKCS7_set_content(envelope.get(), inner.release());
  PKCS7_add_signed_attribute(signer, NID_pkcs9_contentType, V_ASN1_OBJECT,
                             OBJ_txt2obj(catalog_oid::kTrustList, 1));
  AddSignedAttribute(signer, catalog_oid::kStatementType, kStatementTypeValue,
                     sizeof kStatementTypeValue - 1);
  AddSignedAttribute(signer, catalog_oid::kOpusInfo, kOpusInfoValue, sizeof kOpusInfoValue - 1);
  if (PKCS7_add1_attrib_digest(signer, digest, static_cast<int>(digestSize)) != 1 ||
      PKCS7_SIGNER_INFO_sign(signer) != 1) {
    *problem = "the signature cannot be made";
    return false;
  }
  *der = DerOf<PKCS7, i2d_PKCS7>(envelope.get());
  return !der->empty();
}
