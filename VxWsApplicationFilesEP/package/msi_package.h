#pragma once
// The read-only original setup package with its caches. Construct it on the package's path,
// ask, and delete it; it opens the database read-only and never writes.
//
// A package that cannot be opened is still constructed, with database handle 0: tables do not
// exist, table views yield no rows, lookups throw ("MsiViewExecute", invalid handle), summary
// information reads as "" and 0, and the path operations work on the path given.

#include "VxWsApplicationFilesEP/package/msi_package_itf.h"
#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"

#include <cstring>
#include <map>
#include <memory>

namespace vx {

class CVxMsiPackage final : public CVxMsiPackageItf {
public:
    // `path` is a path on this machine: folder and file name split at its last '/'.
    explicit CVxMsiPackage(std::u16string_view path);
    ~CVxMsiPackage();
    CVxMsiPackage(const CVxMsiPackage&) = delete;
    CVxMsiPackage& operator=(const CVxMsiPackage&) = delete;

    CMsiView* OpenTableView(std::u16string_view table, std::u16string_view clause) override;
    void CloseTableView(std::u16string_view table, std::u16string_view clause) override;
    CMsiRecord FindRecordByInteger(std::u16string_view table, std::u16string_view column,
                                   int32_t value, std::u16string_view clause) const override;
    CMsiRecord FindRecord(std::u16string_view table, std::u16string_view column,
                          std::u16string_view value, std::u16string_view clause) const override;
    CMsiView* OpenKeyedView(std::u16string_view table, std::u16string_view column,
                            std::u16string_view clause) override;
    void CloseKeyedView(std::u16string_view table, std::u16string_view column,
                        std::u16string_view clause) override;
    std::u16string GetPackageFileName() const override { return m_fileName; }
    std::u16string GetPackageFolder() const override { return m_folder; }
    std::u16string GetPackagePath() const override;
    void SetExtractFolder(std::u16string_view folder) override { m_extractFolder = folder; }
    CVxMsiMedia* GetMedia(int32_t diskId) override;
    FileLocation* LocateOriginalFile(std::u16string_view fileKey) override;
    std::u16string GetDirectoryPath(std::u16string_view directoryKey) const override;
    std::u16string GetProductCode() const override;
    std::u16string GetPackageCode() const override;
    int32_t GetSchema() const override;
    std::u16string GetProductLanguage() const override;
    std::u16string GetProductVersion() const override;
    PackageRelation CompareWithPackage(const CVxMsiPackageItf* other) const override;
    VersionRelation CompareVersions(std::u16string_view first,
                                    std::u16string_view second) const override;
    std::u16string GetLongFileName(std::u16string_view name) const override;
    bool TableExists(std::u16string_view table) const override;
    MSIHANDLE GetDatabaseHandle() const override { return m_database.Handle(); }

    // The resolver in either mode; GetDirectoryPath is its target mode.
    const CMsiPathResolver& Resolver() const { return *m_resolver; }
    // The page uses the compressed attribute bit only; command-line extraction asks for the
    // installer's own rule before locating files.
    void SetCompressionRule(CMsiPathResolver::CompressionRule rule) {
        m_resolver->SetCompressionRule(rule);
    }

private:
    std::u16string PropertyValue(std::u16string_view name) const;

    std::map<std::u16string, std::unique_ptr<FileLocation>, std::less<>> m_locations;
    // Ordered by length, then by the bytes: a cheap order for keys that are only ever found,
    // never listed.
    struct KeyOrder {
        bool operator()(const std::u16string& a, const std::u16string& b) const {
            if (a.size() != b.size()) {
                return a.size() < b.size();
            }
            return std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) < 0;
        }
    };
    using ViewCache = std::map<std::u16string, std::unique_ptr<CMsiView>, KeyOrder>;
    // The keyed view's cache entry, opened and stored on first request.
    ViewCache::iterator KeyedViewEntry(std::u16string_view table, std::u16string_view column,
                                       std::u16string_view clause) const;

    // Closes a keyed view and forgets it, keeping its cache node for the next lookup.
    void ForgetKeyedView(ViewCache::iterator entry) const;

    // Held from the moment it is opened, so that nothing thrown later in construction leaks it.
    CMsiHandle m_database;
    ViewCache m_tableViews;
    // Single-row lookups are const to callers; their views and buffers are the package's own.
    mutable ViewCache m_keyedViews;
    mutable ViewCache::node_type m_spareKeyedView; // holds no handle
    mutable std::u16string m_keyScratch;
    mutable std::u16string m_queryScratch;
    std::map<int32_t, std::unique_ptr<CVxMsiMedia>> m_media;
    std::unique_ptr<CMsiPathResolver> m_resolver;
    std::u16string m_extractFolder;
    std::u16string m_folder;
    std::u16string m_fileName;
};

} // namespace vx
