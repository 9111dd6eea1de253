#pragma once
// Binds one patch entry, by its key, to the original setup package: the entry's own settings
// (read and written through the patch project object) and what the original package says about
// the file. The Files To Patch tree and each attribute form own one.
//
// Use: AttachProject once, then SetFileKey and queries. Package queries need OpenPackage first
// and are paired with ClosePackage. Automation and installer failures throw CComException.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "ide/automation/project_interfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace vx {

class CPatchFileInfo {
public:
    CPatchFileInfo();
    ~CPatchFileInfo();
    CPatchFileInfo(const CPatchFileInfo&) = delete;
    CPatchFileInfo& operator=(const CPatchFileInfo&) = delete;

    // Keeps the project and takes the original package's path from it, path variables
    // expanded. When no file is there, message 16 names the expanded path (unless
    // `warnWhenMissing` is false: the page's forms leave the warning to its tree, so the author
    // reads it once) and the package path keeps its previous value.
    void AttachProject(IPatchProject* patchProject, bool warnWhenMissing = true);
    void SetFileKey(std::u16string key);
    void OpenPackage();
    void ClosePackage();

    // The entry's own settings. Without an entry for the current key a getter answers empty or
    // false and a setter does nothing.
    std::u16string GetNewFilePath();
    void SetNewFilePath(const std::u16string& path);
    bool GetSelfReg();
    // Only writes: the new-file form shows the registration warning in itself, and the
    // command line prints it (new_file_warning.h).
    void SetSelfReg(bool selfReg);
    bool GetExtractCOM();
    void SetExtractCOM(bool extractCom);
    bool GetOverwrite();
    void SetOverwrite(bool overwrite);
    // True when the entry's type is "delete when applying the patch"; setting writes that type
    // or the update type.
    bool GetDeleteOnPatch();
    void SetDeleteOnPatch(bool deleteOnPatch);
    std::u16string GetFeature();
    void SetFeature(const std::u16string& feature);
    std::u16string GetDestinationDir();
    void SetDestinationDir(const std::u16string& directoryKey);
    // The file version at the entry's new file path (expanded); string 14 when the path is empty.
    std::u16string GetNewFileVersion();

    // The original file of the current key. String 13 when the package has no File row for it.
    std::u16string GetFileName();
    std::u16string GetDestination();
    std::u16string GetFileVersion();
    std::u16string GetFileLanguage();
    std::u16string GetComponentName();
    std::u16string GetKeyFile();
    void GetDirectoryKeys(std::vector<std::u16string>& keys);
    std::u16string ResolveDirectoryKey(const std::u16string& directoryKey);

    const std::u16string& PackagePath() const { return m_packagePath; }
    const std::u16string& FileKey() const { return m_fileKey; }

private:
    ComPtr<IPatchFile> FindEntry();
    CVxMsiPackage& Package();
    CMsiRecord FileRow();

    std::u16string m_packagePath;
    ComPtr<IPatchProject> m_patchProject;
    std::u16string m_fileKey;
    std::unique_ptr<CVxMsiPackage> m_package;
};

// Expands a path stored in the project with the project's path variables (a project without
// them gives the path back as it is).
std::u16string ExpandProjectPath(IUnknown* project, const std::u16string& path);

} // namespace vx
