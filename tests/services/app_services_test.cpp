// The application-services module as the pages create it: log folder and display option.

#include "ide/framework/service_object_loader.h"
#include "ide/services/interfaces/app_services.h"
#include "platform/sys/wide_string.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vx;
using namespace vx::testing;
namespace fs = std::filesystem;

namespace {

ComPtr<IAppServices> Services() {
    ComPtr<IAppServices> services;
    EXPECT_EQ(CreateServiceObject(kAppServicesModule, CLSID_AppServices, services), S_OK);
    return services;
}

std::string LogFolder() {
    BStr folder;
    EXPECT_EQ(Services()->GetLogFolder(folder.Out()), S_OK);
    return Utf16ToUtf8(folder.ToString());
}

int32_t Option() {
    int32_t value = -1;
    EXPECT_EQ(Services()->GetDestinationColumnOption(&value), S_OK);
    return value;
}

} // namespace

TEST(AppServices, LogFolderIsTheIdeFolderUnderTheStateHomeCreatedWhenMissing) {
    ScratchFolder temp;
    ScopedEnv state("XDG_STATE_HOME", (temp / "deep/state").string());
    EXPECT_EQ(LogFolder(), (temp / "deep/state/vxide").string());
    EXPECT_TRUE(fs::is_directory(temp / "deep/state/vxide"));
}

TEST(AppServices, ARelativeStateHomeIsIgnoredForTheHomeFallback) {
    ScratchFolder temp;
    ScopedEnv state("XDG_STATE_HOME", "relative/state");
    ScopedEnv home("HOME", temp.Root().string());
    EXPECT_EQ(LogFolder(), (temp / ".local/state/vxide").string());
}

TEST(AppServices, AFolderThatCannotBeCreatedFails) {
    ScratchFolder temp;
    std::ofstream(temp / "file") << "x";
    ScopedEnv state("XDG_STATE_HOME", (temp / "file").string());
    BStr folder;
    EXPECT_LT(Services()->GetLogFolder(folder.Out()), 0);
    EXPECT_EQ(folder.Get(), nullptr);
}

TEST(AppServices, DestinationColumnOptionComesFromTheSettingsFile) {
    ScratchFolder temp;
    ScopedEnv config("XDG_CONFIG_HOME", temp.Root().string());
    EXPECT_EQ(Option(), 0) << "no settings file";
    fs::create_directories(temp / "vxide");
    std::ofstream(temp / "vxide/vxide.ini") << "[selectfile]\ndestinationcolumn = 1\n";
    EXPECT_EQ(Option(), 1);
    std::ofstream(temp / "vxide/vxide.ini") << "[SelectFile]\nDestinationColumn=yes\n";
    EXPECT_EQ(Option(), 0) << "not a number";
    std::ofstream(temp / "vxide/vxide.ini") << "[Other]\nDestinationColumn=1\n";
    EXPECT_EQ(Option(), 0) << "another section";
}
