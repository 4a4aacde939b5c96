#include "framework/command_line_info.h"

#include <gtest/gtest.h>

namespace {

// Records what the framework's walk hands over.
class RecordingInfo : public CCommandLineInfo {
 public:
  struct Call {
    std::string param;
    BOOL bFlag, bLast;
    bool operator==(const Call& o) const {
      return param == o.param && bFlag == o.bFlag && bLast == o.bLast;
    }
  };
  std::vector<Call> calls;
  void ParseParam(const char* param, BOOL bFlag, BOOL bLast) override {
    calls.push_back(Call{param, bFlag, bLast});
  }
};

TEST(ParseCommandLineTest, StripsOnePrefixAndMarksTheLastArgument) {
  RecordingInfo info;
  ParseCommandLine(info, {"/S", "-u", "name", "//x", "", "-"});
  const std::vector<RecordingInfo::Call> want = {
      {"S", TRUE, FALSE},  {"u", TRUE, FALSE}, {"name", FALSE, FALSE},
      {"/x", TRUE, FALSE}, {"", FALSE, FALSE}, {"", TRUE, TRUE},
  };
  EXPECT_EQ(want, info.calls);

  RecordingInfo none;
  ParseCommandLine(none, {});
  EXPECT_TRUE(none.calls.empty());
}

}  // namespace
