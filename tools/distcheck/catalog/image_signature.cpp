#include "tools/distcheck/catalog/image_signature.h"

#include <openssl/err.h>

#include <cstdint>

#include "tools/distcheck/catalog/catalog_format.h"
#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/catalog/openssl_ptr.h"
#include "tools/distcheck/pe/pe_image.h"

namespace {

using IndirectDataPtr = OpenSslPtr<SpcIndirectData, SpcIndirectData_free>;

// WIN_CERTIFICATE: dwLength, wRevision, wCertificateType, then the bytes.
constexpr size_t kCertificateHeaderSize = 8;
constexpr uint16_t kRevision2 = 0x0200;       // WIN_CERT_REVISION_2_0
constexpr uint16_t kPkcsSignedData = 0x0002;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA

// Little-endian numbers at at; the caller has checked that they lie within bytes.
uint32_t ReadLittleEndian(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

std::string BytesOf(const ASN1_STRING* text) {
  return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                     static_cast<size_t>(ASN1_STRING_length(text)));
}

CatalogSignature Invalid(const std::string& problem) {
  CatalogSignature signature;
  signature.status = CatalogSignature::kInvalid;
  signature.problem = problem;
  return signature;
}

// The PKCS #7 bytes of the first certificate in the table; "" with *problem
// set when it holds none.
std::string FirstSignedData(const std::string& image, const ByteRange& table,
                            std::string* problem) {
  const size_t size = table.end - table.begin;
  const uint32_t length =
      size >= kCertificateHeaderSize ? ReadLittleEndian(image, table.begin, 4) : 0;
  if (length < kCertificateHeaderSize || length > size) {
    *problem = "its certificate table is damaged";
    return std::string();
  }
  if (ReadLittleEndian(image, table.begin + 4, 2) != kRevision2 ||
      ReadLittleEndian(image, table.begin + 6, 2) != kPkcsSignedData) {
    *problem = "its certificate table holds no Authenticode signature";
    return std::string();
  }
  return image.substr(table.begin + kCertificateHeaderSize, length - kCertificateHeaderSize);
}

// The hash the envelope's SpcIndirectData names, and its content octets.
bool ReadIndirectData(const PKCS7* envelope, FileHash* hash, HashAlgorithm* algorithm,
                      std::string* signedContent) {
  const PKCS7* content = PKCS7_type_is_signed(envelope) && envelope->d.sign != nullptr
                             ? envelope->d.sign->contents
                             : nullptr;
  if (content == nullptr || !IsOid(content->type, catalog_oid::kIndirectData)) return false;
  const ASN1_TYPE* other = content->d.other;
  if (other == nullptr || other->type != V_ASN1_SEQUENCE) return false;
  const std::string der = BytesOf(other->value.sequence);
  if (!DerContent(der, signedContent)) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const IndirectDataPtr data(d2i_SpcIndirectData(nullptr, &p, static_cast<long>(der.size())));
  if (!data || !IsOid(data->data->type, catalog_oid::kPeImageData)) return false;
  const int nid = OBJ_obj2nid(data->digest->algorithm->algorithm);
  if (nid != NID_sha1 && nid != NID_sha256) return false;
  *algorithm = nid == NID_sha1 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256;
  hash->kind = FileHash::kImage;
  hash->digest = BytesOf(data->digest->digest);
  return true;
}

CatalogSignature Check(const std::string& image) {
  PeImage pe;
  ByteRange table;
  if (!PeImage::Parse(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &pe) ||
      !pe.HasCertificateTable()) {
    return CatalogSignature();
  }
  if (!pe.GetCertificateTable(image.size(), &table))
    return Invalid("its certificate table does not lie within the file");
  std::string problem;
  const std::string der = FirstSignedData(image, table, &problem);
  if (der.empty()) return Invalid(problem);
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const Pkcs7Ptr envelope(d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())));
  FileHash signedHash;
  HashAlgorithm algorithm = HashAlgorithm::kSha1;
  std::string signedContent;
  if (!envelope || !ReadIndirectData(envelope.get(), &signedHash, &algorithm, &signedContent))
    return Invalid("its signature names no image hash of a known algorithm");
  CatalogSignature signature = VerifySignedData(envelope.get(), signedContent, kImageContent);
  const FileHash own = HashPackageFile(algorithm, image);
  if (signature.status == CatalogSignature::kValid &&
      (own.kind != FileHash::kImage || own.digest != signedHash.digest)) {
    signature.status = CatalogSignature::kInvalid;
    signature.problem =
        "the image hash it signed is not the file's: the file was changed after "
        "it was signed";
  }
  return signature;
}

}  // namespace

CatalogSignature ReadImageSignature(const std::string& image) {
  CatalogSignature signature = Check(image);
  ERR_clear_error();  // what the library noted of refused input is of no further use
  return signature;
}
