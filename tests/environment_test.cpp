// The process environment through the exports.
#include <algorithm>
#include <list>

#include "klv_test.h"

using namespace klvtest;

namespace {

class Environment : public ::testing::Test {
 protected:
  // Every variable a test sets is put back as it was when the test ends.
  std::list<SavedVariable> saved;

  int Set(const std::string& name, const char* value) {
    if (std::none_of(saved.begin(), saved.end(), [&](const SavedVariable& v) { return v.Name() == name; }))
      saved.emplace_back(name);
    return kLvSetEnvironmentVariable(name.c_str(), value);
  }
  std::string Get(const std::string& name) { return kLvGetEnvironmentVariable(name.c_str()); }
  std::string List() { return kLvGetEnvironmentStrings(); }
  // Whether the list holds this whole entry.
  bool Holds(const std::string& entry) {
    const std::string list = "\r" + List();
    return list.find("\r" + entry + "\r") != std::string::npos;
  }

  // Long texts are compared without printing them whole.
  static ::testing::AssertionResult Same(const std::string& got, const std::string& expected) {
    if (got == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << got.size() << " characters instead of " << expected.size()
                                         << ", first difference at " << at;
  }
};

}  // namespace

TEST_F(Environment, SetReadAndListed) {
  EXPECT_EQ(Set("DEMOVAR", "abc"), 1);
  EXPECT_EQ(Get("DEMOVAR"), "abc");
  EXPECT_EQ(Get("demovar"), "abc");
  EXPECT_TRUE(Holds("DEMOVAR=abc"));
  EXPECT_EQ(Set("DEMOVAR", "xyz"), 1);
  EXPECT_EQ(Get("DEMOVAR"), "xyz");
  EXPECT_FALSE(Holds("DEMOVAR=abc"));
  // A null value removes the variable.
  EXPECT_EQ(kLvSetEnvironmentVariable("DEMOVAR", nullptr), 1);
  EXPECT_EQ(Get("DEMOVAR"), "");
  EXPECT_EQ(List().find("DEMOVAR="), std::string::npos);
}

TEST_F(Environment, UnsetAndEmptyReadAsEmpty) {
  EXPECT_EQ(Get("KLV_NEVER_SET_ANYWHERE"), "");
  EXPECT_EQ(Set("KLVEMPTY", ""), 1);
  EXPECT_EQ(Get("KLVEMPTY"), "");
  EXPECT_TRUE(Holds("KLVEMPTY="));
}

TEST_F(Environment, ListIsEveryEntryOfTheBlockWithACarriageReturn) {
  EXPECT_EQ(Set("=K:", "K:\\games"), 1);  // names may begin with "="
  const std::string list = List();
  std::string expected;
  LPCH block = GetEnvironmentStringsA();
  ASSERT_NE(block, nullptr);
  for (const char* entry = block; *entry; entry += strlen(entry) + 1) expected += std::string(entry) + '\r';
  FreeEnvironmentStringsA(block);
  EXPECT_EQ(list, expected);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.back(), '\r');
  EXPECT_TRUE(Holds("=K:=K:\\games"));
}

TEST_F(Environment, LongValuesAndListsComeBackWhole) {
  const std::string value = LongText(5000, 'v');
  EXPECT_EQ(Set("KLVLONG", value.c_str()), 1);
  EXPECT_TRUE(Same(Get("KLVLONG"), value));
  EXPECT_TRUE(Holds("KLVLONG=" + value));
  EXPECT_GT(List().size(), 5000u);
  EXPECT_EQ(Set("KLVLONG", "short"), 1);
  EXPECT_EQ(Get("KLVLONG"), "short");
  // Around the size where the first read of the value must grow.
  for (std::size_t size : {79u, 80u, 259u, 260u, 261u}) {
    const std::string edge = LongText(size, 'e');
    EXPECT_EQ(Set("KLVEDGE", edge.c_str()), 1);
    EXPECT_EQ(Get("KLVEDGE"), edge) << size;
  }
}

TEST_F(Environment, PlatformLimitIsRefusedBeforeTheCall) {
  // 32766 characters are the most that Wine's SetEnvironmentVariableA takes;
  // one more faults inside it.
  const std::string most = LongText(32766, 'm');
  EXPECT_EQ(Set("KLVMOST", most.c_str()), 1);
  EXPECT_TRUE(Same(Get("KLVMOST"), most));
  const std::string over = LongText(32767, 'o');
  EXPECT_EQ(Set("KLVMOST", over.c_str()), 0);
  EXPECT_TRUE(Same(Get("KLVMOST"), most));
  EXPECT_EQ(Set(over, "x"), 0);
  EXPECT_EQ(Get(over), "");
  const std::string huge = LongText(100000, 'h');
  EXPECT_EQ(Set("KLVMOST", huge.c_str()), 0);
  EXPECT_EQ(Set(huge, "x"), 0);
  EXPECT_EQ(Set(huge, huge.c_str()), 0);
  EXPECT_EQ(Get(huge), "");
  EXPECT_TRUE(Same(Get("KLVMOST"), most));
  const std::string longName = LongText(32766, 'n');
  EXPECT_EQ(Set(longName, "named"), 1);
  EXPECT_EQ(Get(longName), "named");
}

TEST_F(Environment, BadNames) {
  // A name with "=" is refused by the platform and reads as not set.
  EXPECT_EQ(Set("A=B", "x"), 0);
  EXPECT_EQ(Get("A=B"), "");
  EXPECT_EQ(List().find("A=B="), std::string::npos);
  EXPECT_EQ(Set("", "x"), 0);
  EXPECT_EQ(Get(""), "");
  // Null names have the platform's meaning: nothing to find, nothing set.
  EXPECT_EQ(std::string(kLvGetEnvironmentVariable(nullptr)), "");
  EXPECT_EQ(kLvSetEnvironmentVariable(nullptr, "x"), 0);
  EXPECT_EQ(kLvSetEnvironmentVariable(nullptr, nullptr), 0);
  // Odd characters are only characters: control characters, wildcards and
  // the code page's own letters.
  const std::string letter = Ansi(L"\u00ff").value_or(Ansi(L"\u8868").value_or("?"));
  const std::string odd = "\x01" + letter + "\t *?%", value = "v" + letter + "\x7f";
  EXPECT_EQ(Set(odd, value.c_str()), 1);
  EXPECT_EQ(Get(odd), value);
  EXPECT_TRUE(Holds(odd + "=" + value));
}

TEST_F(Environment, ProgramsStartedLaterSeeTheVariable) {
  EXPECT_EQ(Set("KLVCHILD", "passed-down"), 1);
  const auto child = RunProcess("cmd.exe /c echo [%KLVCHILD%]");
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_NE(child.output.find("[passed-down]"), std::string::npos) << child.output;
}
