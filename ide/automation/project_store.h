#pragma once
// The open project file: its properties, path variables and patch entries, read and written
// through one SQLite connection. Every write is one transaction; listeners hear of it after it
// has been committed. An update groups writes into one transaction (one commit, so one wait for
// the disk, instead of one per write): each write inside it still succeeds or fails whole, what
// succeeded is committed when the update ends, and listeners hear of it then. Shared by the
// automation objects of one open project.

#include "ide/automation/project_interfaces.h"
#include "ide/automation/sqlite_connection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx {

struct ProjectOpenOptions {
    // How long a call waits for another program that holds the project file.
    int busyTimeoutMs = 2000;
};

// The project properties the code knows.
inline constexpr char16_t kProjectTypeProperty[] = u"ProjectType";
inline constexpr char16_t kOriginalPackageProperty[] = u"OriginalPackage";

// The columns of a patch entry, with the property names events and tools use.
enum class EntryField {
    Key,
    NewFilePath,
    Type,
    SelfReg,
    ExtractCOM,
    Overwrite,
    Feature,
    DestinationDir
};
std::u16string_view EntryFieldName(EntryField field);
std::optional<EntryField> EntryFieldFromName(std::u16string_view name);

struct PatchEntry {
    std::u16string key;
    int32_t type = kPatchTypeUpdate;
    std::u16string newFilePath;
    bool selfReg = false;
    bool extractCom = false;
    bool overwrite = false;
    std::u16string feature;
    std::u16string destinationDir;
};

class ProjectStore {
public:
    // Opens an existing project; throws ProjectFailure with the author's reason.
    static std::shared_ptr<ProjectStore> Open(const std::u16string& path,
                                              const ProjectOpenOptions& options);
    // Writes a complete new project at `path`, which must not exist, and opens it. The file
    // appears whole or not at all.
    static std::shared_ptr<ProjectStore> Create(const std::u16string& path,
                                                std::u16string_view type,
                                                std::u16string_view originalPackage,
                                                const ProjectOpenOptions& options);

    const std::u16string& Path() const { return m_connection->Path(); }
    std::u16string Folder() const;
    int32_t SchemaVersion() const { return m_schemaVersion; }

    std::u16string Property(std::u16string_view name);
    void PutProperty(std::u16string_view name, std::u16string_view value);

    std::optional<std::u16string> PathVariable(std::u16string_view name);
    void PutPathVariable(std::u16string_view name, std::u16string_view value);
    std::vector<std::u16string> PathVariableNames();

    bool HasEntry(std::u16string_view key);
    // Throws VXPROJ_E_ENTRYGONE when there is no such entry.
    PatchEntry Entry(std::u16string_view key);
    // Keys in creation order.
    std::vector<std::u16string> EntryKeys();
    int64_t EntryCount();
    void CreateEntry(std::u16string_view key, std::u16string_view newFilePath);
    void PutEntryText(std::u16string_view key, EntryField field, std::u16string_view value);
    void PutEntryInteger(std::u16string_view key, EntryField field, int32_t value);
    void DeleteEntry(std::u16string_view key);

    // A key for the entry table (see IProjectRoot::GetUniqueValue).
    std::u16string UniqueEntryKey(std::u16string_view base, int32_t maxLength);

    DWORD Advise(IProjectEvents2* sink);
    bool Unadvise(DWORD cookie);

    // Updates nest; the outermost takes the project's write lock (waiting for it as a write
    // does) and its end commits.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return m_updateDepth > 0; }

    ~ProjectStore();
    ProjectStore(const ProjectStore&) = delete;
    ProjectStore& operator=(const ProjectStore&) = delete;

private:
    friend class StoreWrite;
    ProjectStore(std::unique_ptr<SqliteConnection> connection, int32_t schemaVersion);
    void NotifyItem(std::u16string_view key, ItemChange change, std::u16string_view property);
    void NotifyProperty(std::u16string_view name);
    // Throw VXPROJ_E_DUPLICATE when an entry has the key, VXPROJ_E_ENTRYGONE when the last
    // statement changed no row.
    void RequireFreeKey(std::u16string_view key);
    void RequireChange(std::u16string_view key);
    template <class Value> void UpdateEntry(std::u16string_view key, EntryField field, Value value);

    std::unique_ptr<SqliteConnection> m_connection;
    int32_t m_schemaVersion;
    struct Listener {
        DWORD cookie;
        ComPtr<IProjectEvents2> sink;
    };
    std::vector<Listener> m_listeners;
    DWORD m_nextCookie = 1;
    int m_updateDepth = 0;
    // Announcements of writes made during an update, made when it commits.
    std::vector<std::function<void()>> m_pending;
};

// Checks a value against what its column can hold; throws VXPROJ_E_BADVALUE otherwise.
void CheckEntryText(EntryField field, std::u16string_view value);

// All of an entry's settings, read through its automation object; a failed read throws
// CComException.
PatchEntry ReadPatchEntry(IPatchFile* entry);

} // namespace vx
