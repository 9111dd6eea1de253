#pragma once
// A fresh folder under the temporary folder for one test, removed with everything in it.

#include "platform/sys/wide_string.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vx::testing {

class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("vx-scratch-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path Path(const std::string& name) const { return m_path / name; }
    std::u16string Wide(const std::string& name) const { return Utf8ToUtf16(Path(name).string()); }
    const std::filesystem::path& Root() const { return m_path; }

    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        const auto path = Path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path m_path;
};

} // namespace vx::testing
