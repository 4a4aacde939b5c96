// The system's INF parser interface (env/inf_parser.h) served by InfDocument
// from a file the checker has already read, so that the product's own walk of
// the [Dir] section runs on the checker's reader.
#pragma once

#include <memory>
#include <string>

#include "env/inf_parser.h"
#include "tools/distcheck/inf/inf_document.h"

class LoadedInfParser : public InfParser {
 public:
  // content: the whole file; it is parsed once, here.
  explicit LoadedInfParser(const std::string& content);

  // Whether the content parsed (Open returns nullptr otherwise).
  bool IsParsable() const { return m_document != nullptr; }
  // The loaded file, whatever path is asked for; nullptr when it did not parse.
  std::unique_ptr<InfFile> Open(const std::string& path) override;

 private:
  std::shared_ptr<const InfDocument> m_document;
};
