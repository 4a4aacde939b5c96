// The Authenticode signature that a signed PE image carries in its
// certificate table: who signed it, whether the image hash it signed is the
// file's own (the file unchanged since it was signed) and whether the
// signature verifies with the signer's certificate, taken from the signature
// itself. Only the first signature and its first signer are read (not the
// signatures nested in it); certificate chains, trust, revocation and time
// stamps are not looked at.
#pragma once

#include <string>

#include "tools/distcheck/catalog/catalog_signature.h"

// image: the whole file. kUnsigned when it has no certificate table (or is no
// PE image at all); kInvalid, with the problem, when what it has is not a
// signature of the file.
CatalogSignature ReadImageSignature(const std::string& image);
