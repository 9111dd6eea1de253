#pragma once
// The open project file: its properties, path variables and patch entries, read and written
// through one SQLite connection. Every write is one transaction; listeners hear of it after it
// has been committed. An update groups writes into one transaction (one commit, so one wait for
// the disk, instead of one per write): each write inside it still succeeds or fails whole, what
// succeeded is committed when the update ends, and listeners hear of it then (once, with an
// empty key, when it touched more than one entry). Shared by the automation objects of one open
// project.
//
// The store also follows its file (see IProjectOutsideChanges): the connection's data_version
// tells of other programs' commits, the file's device and inode of a file deleted or replaced.
// Before a write starts a transaction, a deleted file is written again from the connection (on
// Linux the open connection still reads the deleted file), a replaced one makes the write fail
// after the open content was saved beside it, and a file made read-only refuses the write.

#include "ide/automation/project_interfaces.h"
#include "ide/automation/sqlite_connection.h"

#include <cstdint>
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

    // The file as other programs leave it (IProjectOutsideChanges).
    bool HasOutsideChanges();
    ProjectFileCheck CheckForOutsideChanges(std::u16string& notice);

    ~ProjectStore();
    ProjectStore(const ProjectStore&) = delete;
    ProjectStore& operator=(const ProjectStore&) = delete;

private:
    friend class StoreWrite;
    struct FileIdentity {
        uint64_t device = 0;
        uint64_t inode = 0;
        friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    };
    struct Opened {
        std::unique_ptr<SqliteConnection> connection;
        int32_t schemaVersion = 0;
    };
    // A connection to an existing project file, checked; read-only when the file is.
    static Opened Connect(const std::u16string& path, int busyTimeoutMs);
    static std::optional<FileIdentity> IdentityOf(const std::u16string& path);

    ProjectStore(Opened opened, int busyTimeoutMs);
    void Use(Opened opened);
    int64_t DataVersion();
    // Before a write that begins a transaction: the file is still this project's and writable.
    void PrepareWrite();
    // Restores a deleted file, saves the open content beside a replaced one and follows it.
    ProjectFileCheck FollowFile();
    // Writes the open database whole into `target`, which must not exist; the file appears
    // complete or not at all.
    void WriteCopy(const std::u16string& target);
    void NotifyItem(std::u16string_view key, ItemChange change, std::u16string_view property);
    void NotifyProperty(std::u16string_view name);
    void AnnounceUpdate();
    // Throw VXPROJ_E_DUPLICATE when an entry has the key, VXPROJ_E_ENTRYGONE when the last
    // statement changed no row.
    void RequireFreeKey(std::u16string_view key);
    void RequireChange(std::u16string_view key);
    template <class Value> void UpdateEntry(std::u16string_view key, EntryField field, Value value);

    std::unique_ptr<SqliteConnection> m_connection;
    int32_t m_schemaVersion = 0;
    int m_busyTimeoutMs;
    std::optional<FileIdentity> m_identity;
    int64_t m_dataVersion = 0;
    // What a write found and did to the file, for the next check to answer.
    ProjectFileCheck m_pendingCheck = ProjectFileUnchanged;
    std::u16string m_notice;
    struct Listener {
        DWORD cookie;
        ComPtr<IProjectEvents2> sink;
    };
    std::vector<Listener> m_listeners;
    DWORD m_nextCookie = 1;
    int m_updateDepth = 0;
    // Announcements of writes made during an update, made when it commits.
    struct Announcement {
        bool item = true; // else a property change named by `property`
        std::u16string key;
        ItemChange change = ItemModified;
        std::u16string property;
    };
    std::vector<Announcement> m_pending;
};

// Checks a value against what its column can hold; throws VXPROJ_E_BADVALUE otherwise.
void CheckEntryText(EntryField field, std::u16string_view value);

// All of an entry's settings, read through its automation object; a failed read throws
// CComException.
PatchEntry ReadPatchEntry(IPatchFile* entry);

} // namespace vx
