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
    explicit CVxMsiPackage(std::u16string path);
    ~CVxMsiPackage();
    CVxMsiPackage(const CVxMsiPackage&) = delete;
    CVxMsiPackage& operator=(const CVxMsiPackage&) = delete;

    CMsiView* OpenTableView(std::u16string table, std::u16string clause) override;
    void CloseTableView(std::u16string table, std::u16string clause) override;
    CMsiRecord FindRecordByInteger(std::u16string_view table, std::u16string_view column,
                                   int32_t value, std::u16string_view clause) override;
    CMsiRecord FindRecord(std::u16string_view table, std::u16string_view column,
                          const std::u16string& value, std::u16string_view clause) override;
    CMsiView* OpenKeyedView(std::u16string_view table, std::u16string_view column,
                            std::u16string_view clause) override;
    void CloseKeyedView(std::u16string_view table, std::u16string_view column,
                        std::u16string_view clause) override;
    std::u16string GetPackageFileName() override { return m_fileName; }
    std::u16string GetPackageFolder() override { return m_folder; }
    std::u16string GetPackagePath() override;
    void SetExtractFolder(std::u16string folder) override { m_extractFolder = std::move(folder); }
    CVxMsiMedia* GetMedia(int32_t diskId) override;
    FileLocation* LocateOriginalFile(std::u16string fileKey) override;
    std::u16string GetDirectoryPath(std::u16string directoryKey) override;
    std::u16string GetProductCode() override;
    std::u16string GetPackageCode() override;
    int32_t GetSchema() override;
    std::u16string GetProductLanguage() override;
    std::u16string GetProductVersion() override;
    int CompareWithPackage(CVxMsiPackageItf* other) override;
    int CompareVersions(std::u16string first, std::u16string second) override;
    std::u16string GetLongFileName(std::u16string name) override;
    bool TableExists(std::u16string table) override;
    MSIHANDLE GetDatabaseHandle() override { return m_database; }

    // The resolver in either mode; GetDirectoryPath is its target mode.
    const CMsiPathResolver& Resolver() const { return *m_resolver; }
    // The page uses the compressed attribute bit only; command-line extraction asks for the
    // installer's own rule before locating files.
    void SetCompressionRule(CMsiPathResolver::CompressionRule rule) {
        m_resolver->SetCompressionRule(rule);
    }

private:
    std::u16string PropertyValue(const std::u16string& name);

    std::map<std::u16string, std::unique_ptr<FileLocation>> m_locations;
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
                                       std::u16string_view clause);

    // Closes a keyed view and forgets it, keeping its cache node for the next lookup.
    void ForgetKeyedView(ViewCache::iterator entry);

    ViewCache m_tableViews;
    ViewCache m_keyedViews;
    ViewCache::node_type m_spareKeyedView; // holds no handle
    std::u16string m_keyScratch;
    std::u16string m_queryScratch;
    std::map<int32_t, std::unique_ptr<CVxMsiMedia>> m_media;
    MSIHANDLE m_database = 0;
    std::unique_ptr<CMsiPathResolver> m_resolver;
    std::u16string m_extractFolder;
    std::u16string m_folder;
    std::u16string m_fileName;
};

} // namespace vx
