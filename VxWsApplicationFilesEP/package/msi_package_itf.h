#pragma once
// What callers see of an original setup package: views, single rows, product properties,
// summary information, folders, media and file locations. Read-only throughout.
//
// Owners hold and delete the concrete CVxMsiPackage; everyone else receives this interface, so
// its destructor is protected and not virtual. String arguments are only read during the call.
// The lookups and getters are const: what they change is the package's own caching, which no
// caller can see.

#include "VxWsApplicationFilesEP/package/file_location.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

class CVxMsiPackageItf {
public:
    // "SELECT * FROM <table> <clause>", positioned before its first row. Cached per table and
    // clause: asking again rewinds and returns the same view. A missing table gives a view
    // without handle that yields no rows.
    virtual CMsiView* OpenTableView(std::u16string_view table, std::u16string_view clause) = 0;
    virtual void CloseTableView(std::u16string_view table, std::u16string_view clause) = 0;
    // The first row of "SELECT * FROM <table> WHERE <column> = ? <clause>", or the null record.
    virtual CMsiRecord FindRecordByInteger(std::u16string_view table, std::u16string_view column,
                                           int32_t value, std::u16string_view clause) const = 0;
    virtual CMsiRecord FindRecord(std::u16string_view table, std::u16string_view column,
                                  std::u16string_view value, std::u16string_view clause) const = 0;
    // The prepared, not executed, parameter view of FindRecord; cached until CloseKeyedView.
    virtual CMsiView* OpenKeyedView(std::u16string_view table, std::u16string_view column,
                                    std::u16string_view clause) = 0;
    virtual void CloseKeyedView(std::u16string_view table, std::u16string_view column,
                                std::u16string_view clause) = 0;
    virtual std::u16string GetPackageFileName() const = 0;
    virtual std::u16string GetPackageFolder() const = 0;
    virtual std::u16string GetPackagePath() const = 0;
    virtual void SetExtractFolder(std::u16string_view folder) = 0;
    virtual CVxMsiMedia* GetMedia(int32_t diskId) = 0;
    virtual FileLocation* LocateOriginalFile(std::u16string_view fileKey) = 0;
    // The folder of a Directory key on the end user's machine ("[ProgramFilesFolder]\App").
    virtual std::u16string GetDirectoryPath(std::u16string_view directoryKey) const = 0;
    virtual std::u16string GetProductCode() const = 0;
    virtual std::u16string GetPackageCode() const = 0;
    virtual int32_t GetSchema() const = 0;
    virtual std::u16string GetProductLanguage() const = 0;
    virtual std::u16string GetProductVersion() const = 0;
    virtual PackageRelation CompareWithPackage(const CVxMsiPackageItf* other) const = 0;
    virtual VersionRelation CompareVersions(std::u16string_view first,
                                            std::u16string_view second) const = 0;
    virtual std::u16string GetLongFileName(std::u16string_view name) const = 0;
    virtual bool TableExists(std::u16string_view table) const = 0;
    // Still owned by the package: callers may query it while the package lives, never close it.
    virtual MSIHANDLE GetDatabaseHandle() const = 0;

protected:
    CVxMsiPackageItf() = default;
    ~CVxMsiPackageItf() = default;
    CVxMsiPackageItf(const CVxMsiPackageItf&) = default;
    CVxMsiPackageItf& operator=(const CVxMsiPackageItf&) = default;
};

} // namespace vx
