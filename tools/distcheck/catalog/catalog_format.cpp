#include "tools/distcheck/catalog/catalog_format.h"

// The templates: OpenSSL's macros, laid out by hand.
// clang-format off
ASN1_SEQUENCE(CatalogAttribute) = {
    ASN1_SIMPLE(CatalogAttribute, type, ASN1_OBJECT),
    ASN1_SET_OF(CatalogAttribute, values, ASN1_ANY),
} ASN1_SEQUENCE_END(CatalogAttribute)
IMPLEMENT_ASN1_FUNCTIONS(CatalogAttribute)

ASN1_SEQUENCE(CatalogSubject) = {
    ASN1_SIMPLE(CatalogSubject, identifier, ASN1_OCTET_STRING),
    ASN1_SET_OF_OPT(CatalogSubject, attributes, CatalogAttribute),
} ASN1_SEQUENCE_END(CatalogSubject)
IMPLEMENT_ASN1_FUNCTIONS(CatalogSubject)

ASN1_SEQUENCE(CatalogTrustList) = {
    ASN1_OPT(CatalogTrustList, version, ASN1_INTEGER),
    ASN1_SEQUENCE_OF(CatalogTrustList, subjectUsage, ASN1_OBJECT),
    ASN1_OPT(CatalogTrustList, listIdentifier, ASN1_OCTET_STRING),
    ASN1_OPT(CatalogTrustList, sequenceNumber, ASN1_INTEGER),
    ASN1_SIMPLE(CatalogTrustList, thisUpdate, ASN1_TIME),
    ASN1_OPT(CatalogTrustList, nextUpdate, ASN1_TIME),
    ASN1_SIMPLE(CatalogTrustList, subjectAlgorithm, X509_ALGOR),
    ASN1_SEQUENCE_OF_OPT(CatalogTrustList, subjects, CatalogSubject),
    ASN1_EXP_SEQUENCE_OF_OPT(CatalogTrustList, extensions, X509_EXTENSION, 0),
} ASN1_SEQUENCE_END(CatalogTrustList)
IMPLEMENT_ASN1_FUNCTIONS(CatalogTrustList)

ASN1_SEQUENCE(CatalogNameValue) = {
    ASN1_SIMPLE(CatalogNameValue, name, ASN1_BMPSTRING),
    ASN1_SIMPLE(CatalogNameValue, flags, ASN1_INTEGER),
    ASN1_SIMPLE(CatalogNameValue, value, ASN1_OCTET_STRING),
} ASN1_SEQUENCE_END(CatalogNameValue)
IMPLEMENT_ASN1_FUNCTIONS(CatalogNameValue)

ASN1_SEQUENCE(CatalogMemberInfo) = {
    ASN1_SIMPLE(CatalogMemberInfo, subjectGuid, ASN1_BMPSTRING),
    ASN1_SIMPLE(CatalogMemberInfo, certVersion, ASN1_INTEGER),
} ASN1_SEQUENCE_END(CatalogMemberInfo)
IMPLEMENT_ASN1_FUNCTIONS(CatalogMemberInfo)

ASN1_SEQUENCE(CatalogTypedValue) = {
    ASN1_SIMPLE(CatalogTypedValue, type, ASN1_OBJECT),
    ASN1_OPT(CatalogTypedValue, value, ASN1_ANY),
} ASN1_SEQUENCE_END(CatalogTypedValue)
IMPLEMENT_ASN1_FUNCTIONS(CatalogTypedValue)

ASN1_SEQUENCE(CatalogDigestInfo) = {
    ASN1_SIMPLE(CatalogDigestInfo, algorithm, X509_ALGOR),
    ASN1_SIMPLE(CatalogDigestInfo, digest, ASN1_OCTET_STRING),
} ASN1_SEQUENCE_END(CatalogDigestInfo)
IMPLEMENT_ASN1_FUNCTIONS(CatalogDigestInfo)

ASN1_SEQUENCE(SpcIndirectData) = {
    ASN1_SIMPLE(SpcIndirectData, data, CatalogTypedValue),
    ASN1_SIMPLE(SpcIndirectData, digest, CatalogDigestInfo),
} ASN1_SEQUENCE_END(SpcIndirectData)
IMPLEMENT_ASN1_FUNCTIONS(SpcIndirectData)
    // clang-format on

    bool IsOid(const ASN1_OBJECT* object, const char* dotted) {
  return object != nullptr && OidText(object) == dotted;
}

std::string OidText(const ASN1_OBJECT* object) {
  char text[128];
  const int length = OBJ_obj2txt(text, sizeof text, object, 1);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof text) return std::string();
  return text;
}

bool DerContent(const std::string& element, std::string* content) {
  const auto* start = reinterpret_cast<const unsigned char*>(element.data());
  const unsigned char* p = start;
  long length = 0;
  int tag = 0, cls = 0;
  if (ASN1_get_object(&p, &length, &tag, &cls, static_cast<long>(element.size())) & 0x80) {
    return false;
  }
  const size_t header = static_cast<size_t>(p - start);
  if (header + static_cast<size_t>(length) != element.size()) return false;
  *content = element.substr(header);
  return true;
}
