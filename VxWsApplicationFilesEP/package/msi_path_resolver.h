#pragma once
// The package's companion that turns Directory keys into folder paths, locates original files
// and compares versions and packages. It owns nothing and caches nothing: every call queries
// its package afresh, so it is valid only while the package's database is open.

#include "VxWsApplicationFilesEP/package/file_location.h"

#include <memory>
#include <string>

namespace vx {

class CVxMsiPackageItf;

class CMsiPathResolver {
public:
    explicit CMsiPathResolver(CVxMsiPackageItf* package) : m_package(package) {}

    // Target mode: the folder on the end user's machine, rooted at "[Key]" of a child of
    // TARGETDIR (or that Property's value), joined with '\'. Source mode: the folder relative to
    // the package's folder, joined with '\' too. "TARGETDIR" answers "TARGETDIR" in both.
    std::u16string ResolveDirectory(const std::u16string& key, bool sourceMode) const;

    // Not available yet (cabinets): throws E_NOTIMPL.
    std::unique_ptr<FileLocation> LocateOriginalFile(const std::u16string& fileKey) const;

    int CompareVersions(std::u16string first, std::u16string second) const;
    int CompareWithPackage(CVxMsiPackageItf* other) const;

private:
    CVxMsiPackageItf* m_package;
};

} // namespace vx
