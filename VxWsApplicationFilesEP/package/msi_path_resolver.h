#pragma once
// The package's companion that turns Directory keys into folder paths, locates original files
// and compares versions and packages. It owns nothing and caches nothing: every call queries
// its package afresh, so it is valid only while the package's database is open.

#include "VxWsApplicationFilesEP/package/file_location.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"

#include "VxWsApplicationFilesEP/package/version_compare.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class CVxMsiPackageItf;

class CMsiPathResolver {
public:
    explicit CMsiPathResolver(CVxMsiPackageItf* package) : m_package(package) {}

    // Target mode: the folder on the end user's machine, rooted at "[Key]" of a child of
    // TARGETDIR (or that Property's value), joined with '\'. Source mode: the folder relative to
    // the package's folder, joined with '\' too. "TARGETDIR" answers "TARGETDIR" in both.
    std::u16string ResolveDirectory(std::u16string_view key, bool sourceMode) const;
    // The names that ResolveDirectory joins, nearest the root first. A key without a Directory
    // row (the starting key or a parent on the way) reads as a row of empty columns: its empty
    // name comes first, which the joined text shows as a leading '\'.
    std::vector<std::u16string> DirectoryNames(std::u16string_view key, bool sourceMode) const;
    // The source-mode folder of a Directory key as segments below the package's folder. Empty
    // names add nothing (the empty first name of a missing row stands for the package's folder
    // itself); nullopt when a name would leave the folder: "..", or a separator or a zero inside
    // a name (which also makes any absolute path).
    std::optional<std::vector<std::u16string>> SourceSegments(std::u16string_view key) const;

    // Where the bytes of the file with that File key lie: for a compressed file, a copy
    // extracted from its cabinet into the extraction folder (named by the File key); otherwise
    // the file in the setup image beside the package. Failures raise CComException; values
    // that would reach outside the package's folder or the extraction folder are refused.
    std::unique_ptr<FileLocation> LocateOriginalFile(std::u16string_view fileKey) const;
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

    VersionRelation CompareVersions(std::u16string_view first, std::u16string_view second) const;
    PackageRelation CompareWithPackage(const CVxMsiPackageItf* other) const;

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
