// Files written whole (platform/whole_files.h, the POSIX half): a replacement is the new bytes or
// the old file, a creation never replaces anything (writers racing for one name: see the snapshot
// store's tests), and the temporaries of writers that died are cleared once they are old.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/whole_files.h"
#include "testbed.h"

namespace {

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

}  // namespace

TEST(WholeFilesWrite, ReplacesTheFileWholeAndPrivatelyAndReplacesALinkWithoutFollowingIt) {
    testbed::TempDir dir;
    const std::string path = dir.path() + "/state";
    int error = -1;
    ASSERT_TRUE(platform::WriteFileAtomically(path, std::string("first\0", 6), error)) << error;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(Slurp(path), std::string("first\0", 6));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(platform::WriteFileAtomically(path, "second", error)) << error;
    EXPECT_EQ(Slurp(path), "second");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"state"}) << "no temporary is left behind";

    Put(dir.path() + "/elsewhere", "kept");
    std::filesystem::create_symlink(dir.path() + "/elsewhere", dir.path() + "/link");
    ASSERT_TRUE(platform::WriteFileAtomically(dir.path() + "/link", "new", error)) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(dir.path() + "/link"));
    EXPECT_EQ(Slurp(dir.path() + "/link"), "new");
    EXPECT_EQ(Slurp(dir.path() + "/elsewhere"), "kept");
}

TEST(WholeFilesCreate, WritesANewPrivateFileUnderTheNameAndNothingElse) {
    testbed::TempDir dir;
    const std::string path = dir.path() + "/snapshot.json";
    int error = -1;
    ASSERT_TRUE(platform::CreateFileAtomically(path, "mine", error)) << std::strerror(error);
    EXPECT_EQ(Slurp(path), "mine");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"snapshot.json"}) << "no temporary is left behind";
}

namespace {

using Writer = bool (*)(const std::string& path, std::string_view bytes, int& errorNumber);

struct FailedWrite {
    const char* name;
    Writer write;
    // Makes the write of path fail; repair undoes that (run before the checks).
    void (*spoil)(const std::string& dir, const std::string& path);
    void (*repair)();
    int error;
};

rlimit g_savedFileSize{};

// The disk takes four bytes and no more (a file-size limit: writes fail with EFBIG).
void FileSizeLimit(const std::string&, const std::string&) {
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &g_savedFileSize);
    rlimit tiny = g_savedFileSize;
    tiny.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
}
void NoFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &g_savedFileSize);
    std::signal(SIGXFSZ, SIG_DFL);
}
void Nothing() {}

const FailedWrite kFailedWrites[] = {
    {"WriteFails", platform::WriteFileAtomically, FileSizeLimit, NoFileSizeLimit, EFBIG},
    // A folder has taken the file's place: the rename fails.
    {"RenameFails", platform::WriteFileAtomically,
     [](const std::string&, const std::string& f) {
         std::filesystem::remove(f);
         std::filesystem::create_directory(f);
         Put(f + "/inside", "old");
     },
     Nothing, EISDIR},
    {"FolderMissing", platform::WriteFileAtomically,
     [](const std::string& d, const std::string&) { std::filesystem::remove_all(d); }, Nothing, ENOENT},
    // The name is taken, by a file or by a link that must not be followed.
    {"CreateWhereAFileIs", platform::CreateFileAtomically, [](const std::string&, const std::string&) {}, Nothing,
     EEXIST},
    {"CreateWhereALinkIs", platform::CreateFileAtomically,
     [](const std::string& d, const std::string& f) {
         std::filesystem::remove(f);
         Put(d + "/../elsewhere", "old contents");
         std::filesystem::create_symlink(d + "/../elsewhere", f);
     },
     Nothing, EEXIST},
};

void PrintTo(const FailedWrite& write, std::ostream* os) { *os << write.name; }

class AtomicWriteFailure : public ::testing::TestWithParam<FailedWrite> {};

}  // namespace

TEST_P(AtomicWriteFailure, LeavesTheOldFileAsItWasAndNoTemporary) {
    testbed::TempDir top;
    const std::string dir = top.path() + "/d";
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    const std::string path = dir + "/state";
    Put(path, "old contents");
    GetParam().spoil(dir, path);
    int error = 0;
    const bool written = GetParam().write(path, "new contents, longer than four bytes", error);
    GetParam().repair();
    EXPECT_FALSE(written);
    EXPECT_EQ(error, GetParam().error) << std::strerror(error);
    if (std::filesystem::is_regular_file(path)) {
        EXPECT_EQ(Slurp(path), "old contents");
    }
    if (std::filesystem::is_directory(path)) {
        EXPECT_EQ(Slurp(path + "/inside"), "old");
    }
    if (std::filesystem::exists(dir)) {
        const std::set<std::string> expected =
            std::filesystem::exists(std::filesystem::symlink_status(path)) ? std::set<std::string>{"state"}
                                                                           : std::set<std::string>{};
        EXPECT_EQ(Names(dir), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(WholeFiles, AtomicWriteFailure, ::testing::ValuesIn(kFailedWrites),
                         [](const auto& info) { return std::string(info.param.name); });

// The temporaries of writers killed before their rename: only old ones of the names asked for.
TEST(WholeFilesStaleTemporaries, OnlyOldRegularTemporariesOfTheNamesAskedForAreRemoved) {
    testbed::TempDir dir;
    const auto now = std::filesystem::file_time_type::clock::now();
    const auto old = now - std::chrono::minutes(2);
    const auto young = now - std::chrono::seconds(10);
    struct Entry {
        const char* name;
        std::filesystem::file_time_type modified;
        bool removed;
    };
    const Entry entries[] = {
        {"state.Ab3dEf", old, true},       // a dead writer's temporary
        {"state.xyz123", old, true},       // the Windows half's letters
        {"state.Ab3dEg", young, false},    // a write that may still be under way
        {"other.Ab3dEf", old, false},      // not a name asked for
        {"state.Ab3dE", old, false},       // five letters: no temporary's name
        {"state.Ab-dEf", old, false},      // not letters and digits
        {"state.Ab3dEf.json", old, false}, // something else again
        {"state", old, false},             // the file itself
    };
    for (const Entry& e : entries) {
        Put(dir.path() + "/" + e.name, "x");
        std::filesystem::last_write_time(dir.path() + "/" + e.name, e.modified);
    }
    // A link and a folder of a temporary's name are nobody's temporary.
    std::filesystem::create_symlink(dir.path() + "/other.Ab3dEf", dir.path() + "/state.Lnk123");
    std::filesystem::create_directory(dir.path() + "/state.Dir123");
    std::filesystem::last_write_time(dir.path() + "/state.Dir123", old);

    const size_t removed =
        platform::RemoveStaleTemporaries(dir.path(), [](const std::string& target) { return target == "state"; });
    EXPECT_EQ(removed, 2u);
    for (const Entry& e : entries) {
        EXPECT_EQ(std::filesystem::exists(dir.path() + "/" + e.name), !e.removed) << e.name;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/state.Lnk123"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/state.Dir123"));
    EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path() + "/missing", [](const std::string&) { return true; }), 0u);
}
