#include "platform/sys/dynamic_library.h"
#include "platform/sys/file_handle.h"
#include "platform/sys/file_system.h"
#include "platform/sys/machine_settings.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace vx;

using TempFolder = vx::testing::ScratchFolder;

TEST(FileSystem, AttributesTellFilesFromFoldersAndMissingPaths) {
    TempFolder temp;
    EXPECT_EQ(GetFileAttributes(temp.Wide("")) & FILE_ATTRIBUTE_DIRECTORY,
              FILE_ATTRIBUTE_DIRECTORY);
    SetLastError(0);
    EXPECT_EQ(GetFileAttributes(temp.Wide("none")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributes(temp.Wide("none/deeper")), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(PathExists(u""));

    ASSERT_TRUE(CreateDirectories(temp.Wide("a/b/c")));
    EXPECT_TRUE(CreateDirectories(temp.Wide("a/b/c"))); // already there is fine
    EXPECT_TRUE(IsDirectory(temp.Wide("a/b")));
    EXPECT_TRUE(RemoveDirectory(temp.Wide("a/b/c")));
    EXPECT_FALSE(RemoveDirectory(temp.Wide("a"))); // not empty
}

TEST(FileHandle, CreationModesBehaveAsOnWindows) {
    TempFolder temp;
    const auto path = temp.Wide("f.bin");
    FileHandle f;
    EXPECT_FALSE(f.Open(path, Access::Read, Creation::OpenExisting));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(f.Open(path, Access::Write, Creation::CreateNew));
    ASSERT_TRUE(f.Write("hello", 5));
    f.Close();
    EXPECT_FALSE(f.Open(path, Access::Write, Creation::CreateNew));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    ASSERT_TRUE(f.Open(path, Access::ReadWrite, Creation::OpenAlways));
    EXPECT_EQ(f.Size(), 5u);
    EXPECT_EQ(f.Seek(0, SeekOrigin::End), 5u);
    ASSERT_TRUE(f.Write("!", 1));
    EXPECT_EQ(f.Seek(-3, SeekOrigin::End), 3u);
    char buffer[8] = {};
    EXPECT_EQ(f.Read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(std::string(buffer), "lo!");
    EXPECT_EQ(f.Read(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(f.Seek(-100, SeekOrigin::Begin).has_value());
    f.Close();

    ASSERT_TRUE(f.Open(path, Access::Write, Creation::CreateAlways));
    EXPECT_EQ(f.Size(), 0u);
    f.Close();
    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(DeleteFile(path));
}

TEST(FileHandle, AFileOpenedWithoutSharingRefusesASecondOpener) {
    TempFolder temp;
    const auto path = temp.Wide("vxide.log");
    FileHandle first;
    ASSERT_TRUE(first.Open(path, Access::Write, Creation::OpenAlways, Sharing::None));
    ASSERT_TRUE(first.Write("keep", 4));
    FileHandle second;
    EXPECT_FALSE(second.Open(path, Access::Write, Creation::CreateAlways, Sharing::None));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    first.Close();
    EXPECT_EQ(GetFileSize(path), 4u); // the refused CreateAlways truncated nothing
    EXPECT_TRUE(second.Open(path, Access::Write, Creation::OpenAlways, Sharing::None));
}

TEST(Folders, CurrentDirectoryAndTemporaryFolder) {
    TempFolder temp;
    const std::u16string before = GetCurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(temp.Wide("")));
    EXPECT_EQ(std::filesystem::canonical(Utf16ToUtf8(GetCurrentDirectory())),
              std::filesystem::canonical(Utf16ToUtf8(temp.Wide(""))));
    ASSERT_TRUE(SetCurrentDirectory(before));
    EXPECT_FALSE(SetCurrentDirectory(temp.Wide("missing")));

    const auto tempPath = GetTempPath();
    EXPECT_EQ(tempPath.back(), u'/');
    EXPECT_TRUE(IsDirectory(tempPath));

    EXPECT_EQ(ParentFolder(u"/a/b/c.so"), u"/a/b");
    EXPECT_EQ(ParentFolder(u"/c.so"), u"/");
    EXPECT_EQ(ParentFolder(u"c.so"), u"");
    EXPECT_TRUE(IsRootFolder(u"/"));
    EXPECT_FALSE(IsRootFolder(u"/a"));
}

TEST(DynamicLibrary, LoadsLooksUpAndNamesItsFile) {
    const std::u16string path = Utf8ToUtf16(VX_TEST_MODULE_PATH);
    ModuleHandle module = LoadLibrary(path);
    ASSERT_NE(module, nullptr) << LastLoadFailure();
    auto* answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "TestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetModuleFileName(reinterpret_cast<const void*>(answer)), path);

    EXPECT_EQ(GetProcAddress(module, "DllGetClassObject"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(LoadLibrary(u"/nowhere/missing.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(LastLoadFailure().empty());
}

TEST(DynamicLibrary, TheProgramKnowsItsOwnFile) {
    static const int marker = 0;
    const auto self = GetModuleFileName(&marker);
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self.front(), u'/');
    EXPECT_NE(self.find(u"platform_tests"), std::u16string::npos);
}

TEST(MachineSettings, CommonFilesDirComesFromTheSettingsFile) {
    TempFolder temp;
    const std::string file = Utf16ToUtf8(temp.Wide("machine.ini"));
    std::ofstream(file) << "; machine settings\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
                           "CommonFilesDir=/wrong\n"
                           "[hkey_local_machine\\software\\microsoft\\windows\\currentversion]\r\n"
                           "  commonfilesdir = /opt/veyrix common \r\n";
    ::setenv(kMachineSettingsEnv, file.c_str(), 1);
    EXPECT_EQ(MachineSettingsFile(), Utf8ToUtf16(file));
    EXPECT_EQ(GetCommonFilesDir(), u"/opt/veyrix common");
    EXPECT_FALSE(ReadMachineSetting(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other", u"Missing"));

    ::setenv(kMachineSettingsEnv, Utf16ToUtf8(temp.Wide("absent.ini")).c_str(), 1);
    EXPECT_EQ(GetCommonFilesDir(), u"");
    ::unsetenv(kMachineSettingsEnv);
}
