#pragma once
// The package's companion that turns Directory keys into folder paths, locates original files
// and compares versions and packages. It owns nothing and caches nothing: every call queries
// its package afresh, so it is valid only while the package's database is open.

#include "VxWsApplicationFilesEP/package/file_location.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"

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

    // Where the bytes of the file with that File key lie: for a compressed file, a copy
    // extracted from its cabinet into the extraction folder (named by the File key); otherwise
    // the file in the setup image beside the package. Failures raise CComException; values
    // that would reach outside the package's folder or the extraction folder are refused.
    std::unique_ptr<FileLocation> LocateOriginalFile(const std::u16string& fileKey) const;
    // Extracts the file of a File row from its cabinet (the first Media row, in ascending
    // LastSequence, whose LastSequence is at least the file's Sequence).
    std::unique_ptr<FileLocation> ExtractCompressedFile(const CMsiRecord& fileRow) const;
    // The temporary folder joined with the package code, created when missing. Refused when the
    // package code is not a plain name, or when the folder is not a folder of this user's own
    // (so no one else can plant links in it).
    std::u16string CreateExtractionFolder() const;

    // Which files count as compressed. The page's rule looks at the compressed attribute bit
    // only; the installer's rule starts from the summary information's word count and lets the
    // compressed and uncompressed bits of each file override it, and puts files of TARGETDIR
    // itself at the package's folder.
    enum class CompressionRule { FileAttribute, Installer };
    void SetCompressionRule(CompressionRule rule) { m_rule = rule; }
    CompressionRule GetCompressionRule() const { return m_rule; }

    int CompareVersions(std::u16string first, std::u16string second) const;
    int CompareWithPackage(CVxMsiPackageItf* other) const;

private:
    bool IsCompressed(int attributes) const;

    CVxMsiPackageItf* m_package;
    CompressionRule m_rule = CompressionRule::FileAttribute;
};

// The summary information's word count (0 when it cannot be read).
int ReadWordCount(MSIHANDLE database);
// Whether a file with these File.Attributes is compressed under `rule`; `wordCount` is read only
// by the installer's rule.
bool IsCompressedFile(int attributes, CMsiPathResolver::CompressionRule rule, int wordCount);

} // namespace vx
