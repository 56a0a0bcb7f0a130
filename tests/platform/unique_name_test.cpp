#include "platform/unique_name.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <regex>
#include <set>

namespace {

using platform::MakeUniqueName;
using platform::NameTry;

TEST(UniqueNameTest, TakenNamesAreRetriedWithNewRandomCharacters) {
    std::set<std::string> tried;
    int error = -1;
    const std::string name = MakeUniqueName("/tmp/x/cmd.npa.", [&](const std::string& candidate, int&) {
        EXPECT_TRUE(tried.insert(candidate).second) << "tried twice: " << candidate;
        return tried.size() < 5 ? NameTry::Taken : NameTry::Made;
    }, error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(tried.size(), 5u);
    EXPECT_EQ(tried.count(name), 1u);
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(/tmp/x/cmd\.npa\.[A-Za-z0-9]{6})"))) << name;
}

TEST(UniqueNameTest, AFailureEndsTheSearchWithItsError) {
    int tries = 0;
    int error = 0;
    const std::string name = MakeUniqueName("x", [&](const std::string&, int& errorNumber) {
        ++tries;
        errorNumber = EACCES;
        return NameTry::Failed;
    }, error);
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(tries, 1);
}

TEST(UniqueNameTest, EveryNameTakenGivesUpWithExists) {
    int tries = 0;
    int error = 0;
    const std::string name = MakeUniqueName("x", [&](const std::string&, int&) {
        ++tries;
        return NameTry::Taken;
    }, error);
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(tries, 100);
}

}  // namespace
