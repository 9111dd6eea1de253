#include "ide/services/app/ide_folders.h"

#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vx {
namespace {

std::u16string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') {
        return Utf8ToUtf16(home);
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return Utf8ToUtf16(entry->pw_dir);
    }
    return {};
}

// The XDG variable when it holds an absolute path (the standard ignores relative ones), else
// the fallback below the home folder.
std::u16string BaseFolder(const char* variable, std::u16string_view fallbackBelowHome) {
    if (const char* value = std::getenv(variable); value && *value == '/') {
        return Utf8ToUtf16(value);
    }
    std::u16string home = HomeFolder();
    if (home.empty()) {
        return {};
    }
    AppendPathSegment(home, fallbackBelowHome, kNativeSeparator);
    return home;
}

} // namespace

std::u16string IdeStateFolder() {
    std::u16string folder = BaseFolder("XDG_STATE_HOME", u".local/state");
    if (!folder.empty()) {
        AppendPathSegment(folder, kIdeFolderName, kNativeSeparator);
    }
    return folder;
}

std::u16string IdeSettingsFile() {
    std::u16string file = BaseFolder("XDG_CONFIG_HOME", u".config");
    if (!file.empty()) {
        AppendPathSegment(file, kIdeFolderName, kNativeSeparator);
        AppendPathSegment(file, kIdeSettingsFileName, kNativeSeparator);
    }
    return file;
}

} // namespace vx
