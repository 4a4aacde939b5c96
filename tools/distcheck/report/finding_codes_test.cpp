#include "tools/distcheck/report/finding_codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

// A code names one kind, or two of different severities (catalog-sha256-old-windows).
TEST(FindingCodesTest, OneKindPerCodeAndSeverityInTheOrderOfTheEnum) {
  std::set<std::pair<std::string, Severity>> codes;
  for (size_t i = 0; i < FindingKinds().size(); ++i) {
    const FindingKind& kind = FindingKinds()[i];
    EXPECT_EQ(i, static_cast<size_t>(kind.id)) << kind.code;
    EXPECT_TRUE(codes.insert({kind.code, kind.severity}).second) << kind.code;
  }
}

// The table of docs/release-tools.md lists every code with its severity, once.
TEST(FindingCodesTest, TheDocumentListsTheSameCodes) {
  std::ifstream doc(DISTCHECK_RELEASE_TOOLS_DOC);
  ASSERT_TRUE(doc) << DISTCHECK_RELEASE_TOOLS_DOC;
  const std::regex row("^\\| `([a-z0-9-]+)` \\| (error|warning) \\|.*");
  std::multiset<std::string> documented, defined;
  std::smatch match;
  for (std::string line; std::getline(doc, line);) {
    if (std::regex_match(line, match, row))
      documented.insert(match[1].str() + " " + match[2].str());
  }
  for (const FindingKind& kind : FindingKinds()) {
    defined.insert(std::string(kind.code) + " " +
                   (kind.severity == Severity::kError ? "error" : "warning"));
  }
  EXPECT_EQ(defined, documented);
}

}  // namespace
