// The Windows platform on a real Windows system (Wine here): the settings key, the log file,
// files and temporary folders, the clock and the ports' failure paths. Keys live under a
// private key of HKEY_CURRENT_USER, files in a private temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "platform/local_files.h"
#include "platform/windows/system_replies.h"
#include "platform/windows/platform_classes.h"
#include "platform/windows/windows_platform.h"
#include "test_env.h"

namespace {

using namespace platform::windows_impl;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testsupport::MakeTempFolder("devpanel-w-");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string dir_;
};

// Two private keys standing for the machine's and the user's hive.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = L"Software\\devpanel-tests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &machine_, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &user_, nullptr), ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(machine_);
        ::RegCloseKey(user_);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    }
    static void SetValue(HKEY root, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(root, L"SOFTWARE\\CORVANE\\CORVANESLC", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr), ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key, L"LoggingLevel", 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    // The stored level and its type; false when there is none.
    static bool Stored(HKEY root, DWORD& value, DWORD& type) {
        DWORD size = sizeof value;
        return ::RegGetValueW(root, L"SOFTWARE\\CORVANE\\CORVANESLC", L"LoggingLevel", RRF_RT_ANY, &type, &value, &size) ==
               ERROR_SUCCESS;
    }

    std::wstring base_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
};

TEST_F(SettingsTest, MissingKeyIsCreatedWithZero) {
    WindowsSettingsStore store(machine_, user_);
    EXPECT_EQ(store.loggingLevel(), 0u);
    DWORD value = 99, type = 0;
    ASSERT_TRUE(Stored(machine_, value, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(Stored(user_, value, type)) << "the user's key is only the fallback";
}

TEST_F(SettingsTest, StoredLevelIsRead) {
    const DWORD level = 0x13;
    SetValue(machine_, REG_DWORD, &level, sizeof level);
    EXPECT_EQ(WindowsSettingsStore(machine_, user_).loggingLevel(), 0x13u);
}

TEST_F(SettingsTest, ValueOfAnotherTypeIsReplacedByZero) {
    const wchar_t text[] = L"19";
    SetValue(machine_, REG_SZ, text, sizeof text);
    EXPECT_EQ(WindowsSettingsStore(machine_, user_).loggingLevel(), 0u);
    DWORD value = 99, type = 0;
    ASSERT_TRUE(Stored(machine_, value, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0u);
}

// A machine key that cannot be written (here: one deleted under the store's handle, which every
// Windows refuses to create keys in; Wine does not enforce the access rights of a read-only
// handle, so that is not a way to play a normal user here).
TEST_F(SettingsTest, UserWhoMayNotWriteMachineKeyGetsOwnKey) {
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, (base_ + L"\\machine").c_str()), ERROR_SUCCESS);
    const DWORD level = 2;
    SetValue(user_, REG_DWORD, &level, sizeof level);
    EXPECT_EQ(WindowsSettingsStore(machine_, user_).loggingLevel(), 2u);

    ::RegDeleteTreeW(user_, L"SOFTWARE");
    EXPECT_EQ(WindowsSettingsStore(machine_, user_).loggingLevel(), 0u);
    DWORD value = 99, type = 0;
    ASSERT_TRUE(Stored(user_, value, type)) << "created in the user's hive";
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0u);
}

using LogTest = TempFolderTest;

TEST_F(LogTest, TruncateAndAppend) {
    WindowsLogSink log(dir_ + "\\logs\\deeper");
    EXPECT_EQ(log.path(), dir_ + "\\logs\\deeper\\CorvaneSlc32.log");
    log.append("one\n");
    log.append("two\n");
    EXPECT_EQ(ReadAll(log.path()), "one\ntwo\n");
    log.truncate();
    EXPECT_TRUE(fs::exists(log.path()));
    EXPECT_EQ(ReadAll(log.path()), "");
    log.append("three\n");
    EXPECT_EQ(ReadAll(log.path()), "three\n");
}

TEST_F(LogTest, LivesUnderLocalAppData) {
    ASSERT_TRUE(testsupport::SetEnvironment("LOCALAPPDATA", dir_));
    WindowsLogSink log;
    EXPECT_EQ(log.path(), dir_ + "\\devpanel\\CorvaneSlc32.log");
    log.append("entry\n");
    EXPECT_EQ(ReadAll(dir_ + "/devpanel/CorvaneSlc32.log"), "entry\n");
}

TEST_F(LogTest, FolderInTheLogsPlaceCostsTheEntryOnly) {
    fs::create_directories(dir_ + "/devpanel/CorvaneSlc32.log");
    WindowsLogSink log(dir_ + "/devpanel");
    log.truncate();
    log.append("lost\n");
    EXPECT_TRUE(fs::is_directory(dir_ + "/devpanel/CorvaneSlc32.log"));
}

using FilesTest = TempFolderTest;

TEST_F(FilesTest, CreateWriteReplaceAndRemove) {
    platform::LocalFiles files;
    std::string path;
    int error = 0;
    auto file = files.createUnique(dir_, ".cmd.npa.", path, error);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(path.rfind(dir_ + "/.cmd.npa.", 0), 0u) << path;
    const uint8_t data[] = {1, 2, 3, 0, 255};
    EXPECT_EQ(file->write(data, sizeof data), 5);
    EXPECT_TRUE(file->sync());
    file.reset();
    EXPECT_EQ(files.kindOf(path, error), platform::Files::Kind::Regular);

    const std::string target = dir_ + "/cmd.npa";
    std::ofstream(target) << "old";
    ASSERT_TRUE(files.replace(path, target, error)) << error;
    EXPECT_EQ(ReadAll(target), std::string("\1\2\3\0\xFF", 5));
    EXPECT_EQ(files.kindOf(path, error), platform::Files::Kind::Missing);
    EXPECT_EQ(error, ENOENT);

    auto reopened = files.open(target, false, error);
    ASSERT_NE(reopened, nullptr);
    uint8_t back[16] = {};
    EXPECT_EQ(reopened->read(back, sizeof back, 0), 5);
    EXPECT_EQ(reopened->read(back, sizeof back, 0), 0) << "end of file";
    reopened.reset();
    ASSERT_NE(files.open(target, true, error), nullptr);
    EXPECT_EQ(fs::file_size(target), 0u) << "truncated";

    EXPECT_TRUE(files.remove(target));
    EXPECT_FALSE(files.remove(target));
}

TEST_F(FilesTest, UniqueNamesNeverRepeat) {
    platform::LocalFiles files;
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        std::string path;
        int error = 0;
        ASSERT_NE(files.createUnique(dir_, "x", path, error), nullptr);
        EXPECT_TRUE(seen.insert(path).second) << path;
    }
    std::string path;
    int error = 0;
    EXPECT_EQ(files.createUnique(dir_ + "/missing", "x", path, error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

TEST_F(FilesTest, KindsOfPaths) {
    platform::LocalFiles files;
    int error = 0;
    EXPECT_EQ(files.kindOf(dir_, error), platform::Files::Kind::Folder);
    EXPECT_EQ(files.kindOf(dir_ + "/none", error), platform::Files::Kind::Missing);
    EXPECT_EQ(files.kindOf(dir_ + "/none/deeper", error), platform::Files::Kind::Missing);
    EXPECT_EQ(files.kindOf("NUL", error), platform::Files::Kind::Other) << "a device is not a file";
}

TEST_F(FilesTest, ReplaceOntoFolderFailsAndKeepsBoth) {
    platform::LocalFiles files;
    std::string path;
    int error = 0;
    ASSERT_NE(files.createUnique(dir_, "x", path, error), nullptr);
    fs::create_directories(dir_ + "/folder.npa");
    EXPECT_FALSE(files.replace(path, dir_ + "/folder.npa", error));
    EXPECT_NE(error, 0);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(fs::is_directory(dir_ + "/folder.npa"));
}

TEST_F(FilesTest, TempFilesAndPrivateFolders) {
    platform::LocalTempFiles temp(dir_);
    int error = 0;
    const std::string file = temp.create("devpanel-", error);
    ASSERT_FALSE(file.empty()) << error;
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(file.find('\\'), std::string::npos) << file;
    const std::string folder = temp.createPrivateFolder("devpanel-", error);
    ASSERT_FALSE(folder.empty()) << error;
    EXPECT_TRUE(fs::is_directory(folder));
    // The user can use it: the one-way workaround makes its files in it.
    platform::LocalFiles files;
    std::string inside;
    ASSERT_NE(files.createUnique(folder, "LPT1", inside, error), nullptr) << error;
    EXPECT_TRUE(files.remove(inside));
    EXPECT_TRUE(files.removeFolder(folder));
    EXPECT_FALSE(fs::exists(folder));

    platform::LocalTempFiles system;
    EXPECT_EQ(system.folder().find('\\'), std::string::npos) << "paths handed to the link use /";
    EXPECT_TRUE(fs::is_directory(system.folder()));
}

TEST(ClockTest, TimeOfDayAndTicks) {
    WindowsClock clock;
    EXPECT_TRUE(std::regex_match(clock.timeOfDay(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")));
    const uint32_t before = clock.tickCount();
    clock.sleepMs(100);
    // The tick count moves in steps of 10 to 16 ms.
    const uint32_t passed = clock.tickCount() - before;
    EXPECT_GE(passed, 80u);
    EXPECT_LT(passed, 5000u);
}

TEST(SystemTest, WindowsOfTheNtFamilyIsOneWay) {
    WindowsSystemInfo system;
    EXPECT_EQ(system.osKind(), platform::OsKind::OneWay);
    EXPECT_FALSE(system.parallelPortIsWriteOnly("LPT1:"));
}

TEST(ParallelTest, PortsThatAreNoneFailWithReason) {
    WindowsParallelPorts ports;
    int error = 0;
    EXPECT_EQ(ports.open("COM1", error), nullptr);
    EXPECT_EQ(error, ENOENT);
    error = 0;
    EXPECT_EQ(ports.openWriteOnly("LPT0:", error), nullptr);
    EXPECT_EQ(error, ENOENT);
    // No device behind LPT9 in the test's prefix.
    error = 0;
    EXPECT_EQ(ports.openWriteOnly("LPT9:", error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(ports.deviceNode("LPT2:"), "\\\\.\\LPT2");
    EXPECT_EQ(ports.deviceNode("FILE"), "FILE");
}

TEST(UsbTest, UnknownClassesAndPortsFindNothing) {
    WindowsUsbPrinters usb;
    std::vector<platform::UsbInterface> found{{}};
    EXPECT_FALSE(usb.enumerate(7, 20, found));
    EXPECT_TRUE(found.empty());
    platform::UsbInterface one;
    EXPECT_FALSE(usb.interfaceForPort(0, one));
    int error = 0;
    EXPECT_EQ(usb.openPipe("\\\\?\\usb#vid_0000&pid_0000#none#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}",
                           platform::UsbPipe::Write, error), nullptr);
    EXPECT_NE(error, 0);
}

TEST(PlatformTest, InstallMakesEveryInterfaceCurrent) {
    WindowsPlatform windows;
    windows.install();
    const platform::Platform& p = platform::current();
    EXPECT_EQ(&p, &platform::current());
    for (const void* part : {static_cast<const void*>(p.system), static_cast<const void*>(p.settings),
                             static_cast<const void*>(p.log), static_cast<const void*>(p.clock),
                             static_cast<const void*>(p.parallel), static_cast<const void*>(p.usb),
                             static_cast<const void*>(p.tempFiles), static_cast<const void*>(p.files),
                             static_cast<const void*>(p.printers)})
        EXPECT_NE(part, nullptr);
    std::vector<platform::InstalledPrinter> printers;
    EXPECT_TRUE(p.printers->list(printers)) << "the spooler answers";
}

}  // namespace
