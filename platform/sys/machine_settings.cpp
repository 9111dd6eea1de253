#include "platform/sys/machine_settings.h"

#include "platform/sys/file_handle.h"
#include "platform/sys/wide_string.h"

#include <cstdlib>
#include <string>

namespace vx {
namespace {

// A settings file is a few lines; anything larger is not ours and is not read.
constexpr size_t kMaximumSettingsSize = 1 << 20;

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<std::string> ReadWholeFile(std::u16string_view path) {
    FileHandle file;
    if (!file.Open(path, Access::Read, Creation::OpenExisting)) {
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const auto n = file.Read(buffer, sizeof buffer);
        if (!n) {
            return std::nullopt;
        }
        if (*n == 0) {
            return content;
        }
        content.append(buffer, *n);
        if (content.size() > kMaximumSettingsSize) {
            return std::nullopt;
        }
    }
}

} // namespace

std::u16string MachineSettingsFile() {
    const char* env = std::getenv(kMachineSettingsEnv);
    return Utf8ToUtf16(env && *env ? env : kDefaultMachineSettingsFile);
}

std::optional<std::u16string> ReadMachineSetting(std::u16string_view keyPath,
                                                 std::u16string_view valueName) {
    return ReadIniValue(MachineSettingsFile(), keyPath, valueName);
}

std::optional<std::u16string> ReadIniValue(std::u16string_view file, std::u16string_view keyPath,
                                           std::u16string_view valueName) {
    const auto content = ReadWholeFile(file);
    if (!content) {
        return std::nullopt;
    }
    return FindIniValue(*content, keyPath, valueName);
}

std::optional<std::u16string> FindIniValue(std::string_view content, std::u16string_view keyPath,
                                           std::u16string_view valueName) {
    const std::u16string text = Utf8ToUtf16(content);
    bool inKey = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) {
            end = text.size();
        }
        const std::u16string_view line = Trim(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == u';' || line.front() == u'#') {
            continue;
        }
        if (line.front() == u'[' && line.back() == u']') {
            inKey = EqualsIgnoreAsciiCase(Trim(line.substr(1, line.size() - 2)), keyPath);
            continue;
        }
        const size_t equals = line.find(u'=');
        if (inKey && equals != std::u16string_view::npos &&
            EqualsIgnoreAsciiCase(Trim(line.substr(0, equals)), valueName)) {
            return std::u16string(Trim(line.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

std::u16string GetCommonFilesDir() {
    return ReadMachineSetting(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                              u"CommonFilesDir")
        .value_or(std::u16string());
}

} // namespace vx
