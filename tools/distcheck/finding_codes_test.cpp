#include "tools/distcheck/finding_codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

TEST(FindingCodesTest, OneKindPerCodeInTheOrderOfTheEnum) {
  std::set<std::string> codes;
  for (size_t i = 0; i < FindingKinds().size(); ++i) {
    EXPECT_EQ(i, static_cast<size_t>(FindingKinds()[i].id)) << FindingKinds()[i].code;
    EXPECT_TRUE(codes.insert(FindingKinds()[i].code).second) << FindingKinds()[i].code;
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
