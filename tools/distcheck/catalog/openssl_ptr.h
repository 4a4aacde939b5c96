// Owners of OpenSSL objects: a unique_resource (base/unique_resource.h) that
// frees its object with the library's own free function, one alias per kind
// the checker uses.
#pragma once

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "base/unique_resource.h"

template <typename T, void (*Free)(T*)>
struct OpenSslFree {
  static T* Invalid() { return nullptr; }
  static void Close(T* object) { Free(object); }
};

template <typename T, void (*Free)(T*)>
using OpenSslPtr = unique_resource<T*, OpenSslFree<T, Free>>;

using AsnObjectPtr = OpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;
using AsnTypePtr = OpenSslPtr<ASN1_TYPE, ASN1_TYPE_free>;
using AsnStringPtr = OpenSslPtr<ASN1_STRING, ASN1_STRING_free>;
using AsnIntegerPtr = OpenSslPtr<ASN1_INTEGER, ASN1_INTEGER_free>;
using AsnTimePtr = OpenSslPtr<ASN1_TIME, ASN1_TIME_free>;
using BioPtr = OpenSslPtr<BIO, BIO_free_all>;
using EvpMdCtxPtr = OpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using EvpPkeyPtr = OpenSslPtr<EVP_PKEY, EVP_PKEY_free>;
using EvpPkeyCtxPtr = OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using ExtendedKeyUsagePtr = OpenSslPtr<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>;
using Pkcs7Ptr = OpenSslPtr<PKCS7, PKCS7_free>;
using X509Ptr = OpenSslPtr<X509, X509_free>;
using X509AlgorPtr = OpenSslPtr<X509_ALGOR, X509_ALGOR_free>;
using X509ExtensionPtr = OpenSslPtr<X509_EXTENSION, X509_EXTENSION_free>;
using X509NamePtr = OpenSslPtr<X509_NAME, X509_NAME_free>;

// The DER bytes OpenSSL allocated for an encoding.
inline void FreeDerBytes(unsigned char* bytes) { OPENSSL_free(bytes); }
using DerBytesPtr = OpenSslPtr<unsigned char, FreeDerBytes>;
