#include "ide/automation/project_store.h"

#include "ide/automation/project_errors.h"
#include "ide/automation/project_schema.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

struct FieldInfo {
    EntryField field;
    std::u16string_view name;
    const char* column;
};

constexpr std::array<FieldInfo, 8> kFields = {{
    {EntryField::Key, u"Key", "OriginalFile"},
    {EntryField::NewFilePath, u"NewFilePath", "NewFilePath"},
    {EntryField::Type, u"Type", "Type"},
    {EntryField::SelfReg, u"SelfReg", "SelfReg"},
    {EntryField::ExtractCOM, u"ExtractCOM", "ExtractCOM"},
    {EntryField::Overwrite, u"Overwrite", "Overwrite"},
    {EntryField::Feature, u"Feature", "Feature"},
    {EntryField::DestinationDir, u"DestinationDir", "DestinationDir"},
}};

const FieldInfo& Info(EntryField field) {
    return kFields[static_cast<size_t>(field)];
}

[[noreturn]] void BadValue(std::u16string text) {
    throw ProjectFailure(VXPROJ_E_BADVALUE, std::move(text));
}

[[noreturn]] void ThrowEntryGone(std::u16string_view key) {
    throw ProjectFailure(VXPROJ_E_ENTRYGONE,
                         FormatString(u"The patch entry \"%s\" is no longer in the project.", key));
}

void CheckText(std::u16string_view what, std::u16string_view value, size_t maxLength) {
    if (value.find(u'\0') != std::u16string_view::npos) {
        BadValue(FormatString(u"The %s cannot contain a zero character.", what));
    }
    if (value.size() > maxLength) {
        BadValue(FormatString(u"The %s is too long: %u characters, at most %u are allowed.", what,
                              value.size(), maxLength));
    }
}

bool IsIdentifierChar(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'.';
}

// An installer identifier made from `base`: letters, digits, "_" and ".", starting with a letter
// or "_".
std::u16string IdentifierFrom(std::u16string_view base) {
    std::u16string out;
    for (char16_t c : base) {
        out += IsIdentifierChar(c) ? c : u'_';
    }
    if (out.empty() || !((out[0] >= u'A' && out[0] <= u'Z') || (out[0] >= u'a' && out[0] <= u'z') ||
                         out[0] == u'_')) {
        out.insert(out.begin(), u'_');
    }
    return out;
}

// A file is read-only when nobody may write it, as the author marked it, or when this process
// may not. The mode bits count even for a user whom the system would let write anyway.
bool IsReadOnlyFile(const std::u16string& path) {
    const std::string file = Utf16ToUtf8(path);
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        return false;
    }
    return (status.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0;
}

std::u16string TemporarySibling(const std::u16string& path) {
    return FormatString(u"%s.%d.creating", path, static_cast<int>(::getpid()));
}

// Gives the complete file `from` the name `to`, which must not be taken: link() fails rather
// than replace, so an existing file is never lost and `to` is never seen half written.
void LinkIntoPlace(const std::u16string& from, const std::u16string& to) {
    if (::link(Utf16ToUtf8(from).c_str(), Utf16ToUtf8(to).c_str()) != 0) {
        const int error = errno;
        throw ProjectFailure(error == EEXIST ? VXPROJ_E_EXISTS : VXPROJ_E_CANTOPEN,
                             error == EEXIST
                                 ? FormatString(u"\"%s\" already exists; a new project is never "
                                                u"written over an existing file.",
                                                to)
                                 : FormatString(u"The project file \"%s\" cannot be created.", to));
    }
}

} // namespace

std::u16string_view EntryFieldName(EntryField field) {
    return Info(field).name;
}

std::optional<EntryField> EntryFieldFromName(std::u16string_view name) {
    for (const FieldInfo& info : kFields) {
        if (EqualsIgnoreAsciiCase(info.name, name)) {
            return info.field;
        }
    }
    return std::nullopt;
}

void CheckEntryText(EntryField field, std::u16string_view value) {
    switch (field) {
    case EntryField::Key:
        if (value.empty()) {
            BadValue(u"The key of a patch entry cannot be empty.");
        }
        CheckText(u"key", value, kMaxKeyLength);
        break;
    case EntryField::NewFilePath:
        CheckText(u"new file path", value, kMaxPathLength);
        break;
    case EntryField::Feature:
        CheckText(u"feature", value, kMaxFeatureLength);
        break;
    case EntryField::DestinationDir:
        CheckText(u"destination directory", value, kMaxKeyLength);
        break;
    default:
        BadValue(FormatString(u"%s is not a text property.", EntryFieldName(field)));
    }
}

// One write of the store: a transaction of its own, or within an update a savepoint, so that a
// write that fails leaves nothing behind while the update's earlier writes stay.
class StoreWrite {
public:
    explicit StoreWrite(ProjectStore& store) : m_connection(Prepared(store)) {
        if (store.Updating()) {
            m_connection.Execute("SAVEPOINT vx_write");
            m_savepoint = true;
        } else {
            m_transaction.emplace(m_connection);
        }
    }
    ~StoreWrite() {
        if (m_savepoint && !m_done) {
            sqlite3_exec(m_connection.Handle(), "ROLLBACK TO vx_write; RELEASE vx_write", nullptr,
                         nullptr, nullptr);
        }
    }
    StoreWrite(const StoreWrite&) = delete;
    StoreWrite& operator=(const StoreWrite&) = delete;

    void Commit() {
        if (m_savepoint) {
            m_connection.Execute("RELEASE vx_write");
        } else {
            m_transaction->Commit();
        }
        m_done = true;
    }

private:
    // The connection to write through, once the file has been found fit for a transaction of
    // its own (an update checked it when it began). May change the store's connection.
    static SqliteConnection& Prepared(ProjectStore& store) {
        if (!store.Updating()) {
            store.PrepareWrite();
        }
        return *store.m_connection;
    }

    SqliteConnection& m_connection;
    std::optional<WriteTransaction> m_transaction;
    bool m_savepoint = false;
    bool m_done = false;
};

ProjectStore::ProjectStore(Opened opened, int busyTimeoutMs) : m_busyTimeoutMs(busyTimeoutMs) {
    Use(std::move(opened));
}

ProjectStore::Opened ProjectStore::Connect(const std::u16string& path, int busyTimeoutMs) {
    const auto mode = IsReadOnlyFile(path) ? SqliteConnection::Mode::OpenReadOnly
                                           : SqliteConnection::Mode::OpenExisting;
    Opened opened;
    opened.connection = std::make_unique<SqliteConnection>(path, mode, busyTimeoutMs);
    opened.schemaVersion = CheckProjectSchema(*opened.connection);
    return opened;
}

std::optional<ProjectStore::FileIdentity> ProjectStore::IdentityOf(const std::u16string& path) {
    struct stat status {};
    if (::stat(Utf16ToUtf8(path).c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

void ProjectStore::Use(Opened opened) {
    // Changes of other programs that the old connection saw and nobody was told of yet are not
    // forgotten with it.
    if (m_connection && DataVersion() != m_dataVersion) {
        m_pendingCheck = std::max(m_pendingCheck, ProjectFileChangedOutside);
    }
    m_connection = std::move(opened.connection);
    m_schemaVersion = opened.schemaVersion;
    // Taken after SQLite opened the file: a replacement in between would go unnoticed, a window
    // no program of ours can hit.
    m_identity = IdentityOf(m_connection->Path());
    m_dataVersion = DataVersion();
}

int64_t ProjectStore::DataVersion() {
    SqliteStatement pragma(*m_connection, "PRAGMA data_version");
    return pragma.Step() ? pragma.Integer(0) : 0;
}

std::shared_ptr<ProjectStore> ProjectStore::Open(const std::u16string& path,
                                                 const ProjectOpenOptions& options) {
    const uint32_t attributes = GetFileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throw ProjectFailure(VXPROJ_E_NOTFOUND,
                             FormatString(u"The project file \"%s\" does not exist.", path));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        throw ProjectFailure(VXPROJ_E_CANTOPEN,
                             FormatString(u"\"%s\" is a folder, not a project file.", path));
    }
    if (GetFileSize(path).value_or(1) == 0) {
        throw ProjectFailure(VXPROJ_E_NOTPROJECT,
                             FormatString(u"\"%s\" is empty: it is not a project file.", path));
    }
    std::shared_ptr<ProjectStore> store(
        new ProjectStore(Connect(path, options.busyTimeoutMs), options.busyTimeoutMs));
    if (store->Property(kProjectTypeProperty).empty()) {
        throw ProjectFailure(VXPROJ_E_DAMAGED,
                             FormatString(u"The project file \"%s\" is damaged and cannot be used "
                                          u"(it does not say what kind of project it is).",
                                          path));
    }
    return store;
}

std::shared_ptr<ProjectStore> ProjectStore::Create(const std::u16string& path,
                                                   std::u16string_view type,
                                                   std::u16string_view originalPackage,
                                                   const ProjectOpenOptions& options) {
    if (type.empty()) {
        BadValue(u"A project needs a project type.");
    }
    CheckText(u"project type", type, kMaxPropertyLength);
    CheckText(u"original package path", originalPackage, kMaxPropertyLength);
    if (GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES) {
        throw ProjectFailure(VXPROJ_E_EXISTS,
                             FormatString(u"\"%s\" already exists; a new project is never written "
                                          u"over an existing file.",
                                          path));
    }
    // Built beside the target and linked into place only when complete, so that a crash leaves
    // either no project or a whole one, and an existing file is never replaced.
    const std::u16string temporary = TemporarySibling(path);
    DeleteFile(temporary);
    DeleteFile(temporary + u"-journal");
    try {
        {
            SqliteConnection connection(temporary, SqliteConnection::Mode::Create,
                                        options.busyTimeoutMs);
            WriteTransaction transaction(connection);
            CreateProjectSchema(connection);
            SqliteStatement insert(connection,
                                   "INSERT INTO VXProjectProperty (Name, Value) VALUES (?, ?)");
            insert.Bind(1, kProjectTypeProperty).Bind(2, type).Run();
            insert.Reset();
            insert.Bind(1, kOriginalPackageProperty).Bind(2, originalPackage).Run();
            transaction.Commit();
        }
        LinkIntoPlace(temporary, path);
        DeleteFile(temporary);
    } catch (...) {
        DeleteFile(temporary);
        DeleteFile(temporary + u"-journal");
        throw;
    }
    return Open(path, options);
}

std::u16string ProjectStore::Folder() const {
    // Always absolute: a project opened by a relative name must not have its relative folder
    // joined once more by whoever expands ${ProjectFolder} against it.
    const std::u16string folder = ParentFolder(Path());
    if (!folder.empty() && folder.front() == u'/') {
        return folder;
    }
    std::u16string absolute = GetCurrentDirectory();
    if (!folder.empty()) {
        AppendPathSegment(absolute, folder, kNativeSeparator);
    }
    return absolute;
}

std::u16string ProjectStore::Property(std::u16string_view name) {
    SqliteStatement select(*m_connection, "SELECT Value FROM VXProjectProperty WHERE Name = ?");
    select.Bind(1, name);
    return select.Step() ? select.Text(0) : std::u16string();
}

void ProjectStore::PutProperty(std::u16string_view name, std::u16string_view value) {
    CheckText(u"project property", value, kMaxPropertyLength);
    StoreWrite transaction(*this);
    SqliteStatement upsert(*m_connection,
                           "INSERT INTO VXProjectProperty (Name, Value) VALUES (?, ?)"
                           " ON CONFLICT (Name) DO UPDATE SET Value = excluded.Value");
    upsert.Bind(1, name).Bind(2, value).Run();
    transaction.Commit();
    NotifyProperty(name);
}

std::optional<std::u16string> ProjectStore::PathVariable(std::u16string_view name) {
    SqliteStatement select(*m_connection, "SELECT Value FROM VXPathVariable WHERE Name = ?");
    select.Bind(1, name);
    if (!select.Step()) {
        return std::nullopt;
    }
    return select.Text(0);
}

void ProjectStore::PutPathVariable(std::u16string_view name, std::u16string_view value) {
    bool valid = !name.empty() && name.size() <= kMaxVariableNameLength;
    for (size_t i = 0; valid && i < name.size(); ++i) {
        const char16_t c = name[i];
        valid = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
                (i > 0 && c >= u'0' && c <= u'9');
    }
    if (!valid || EqualsIgnoreAsciiCase(name, kProjectFolderVariable)) {
        BadValue(FormatString(u"\"%s\" cannot be the name of a path variable: use a letter or "
                              u"\"_\" followed by letters, digits or \"_\" (at most %u), and not "
                              u"the built-in %s.",
                              name, kMaxVariableNameLength, kProjectFolderVariable));
    }
    CheckText(u"path variable's value", value, kMaxPathLength);
    StoreWrite transaction(*this);
    if (value.empty()) {
        SqliteStatement remove(*m_connection, "DELETE FROM VXPathVariable WHERE Name = ?");
        remove.Bind(1, name).Run();
    } else {
        SqliteStatement upsert(*m_connection,
                               "INSERT INTO VXPathVariable (Name, Value) VALUES (?, ?)"
                               " ON CONFLICT (Name) DO UPDATE SET Value = excluded.Value");
        upsert.Bind(1, name).Bind(2, value).Run();
    }
    transaction.Commit();
    NotifyProperty(u"PathVariable");
}

std::vector<std::u16string> ProjectStore::PathVariableNames() {
    SqliteStatement select(*m_connection, "SELECT Name FROM VXPathVariable ORDER BY Name");
    std::vector<std::u16string> names;
    while (select.Step()) {
        names.push_back(select.Text(0));
    }
    return names;
}

bool ProjectStore::HasEntry(std::u16string_view key) {
    SqliteStatement exists(*m_connection, "SELECT 1 FROM VXKestromFile WHERE OriginalFile = ?");
    return exists.Bind(1, key).Step();
}

void ProjectStore::RequireFreeKey(std::u16string_view key) {
    if (HasEntry(key)) {
        throw ProjectFailure(VXPROJ_E_DUPLICATE,
                             FormatString(u"The patch list already has an entry \"%s\".", key));
    }
}

void ProjectStore::RequireChange(std::u16string_view key) {
    if (m_connection->ChangedRows() == 0) {
        ThrowEntryGone(key);
    }
}

template <class Value>
void ProjectStore::UpdateEntry(std::u16string_view key, EntryField field, Value value) {
    SqliteStatement update(*m_connection, std::string("UPDATE VXKestromFile SET ") +
                                              Info(field).column + " = ? WHERE OriginalFile = ?");
    update.Bind(1, value).Bind(2, key).Run();
    RequireChange(key);
}

PatchEntry ProjectStore::Entry(std::u16string_view key) {
    SqliteStatement select(*m_connection,
                           "SELECT OriginalFile, Type, NewFilePath, SelfReg, ExtractCOM, Overwrite,"
                           " Feature, DestinationDir FROM VXKestromFile WHERE OriginalFile = ?");
    select.Bind(1, key);
    if (!select.Step()) {
        ThrowEntryGone(key);
    }
    PatchEntry entry;
    entry.key = select.Text(0);
    entry.type = static_cast<int32_t>(select.Integer(1));
    entry.newFilePath = select.Text(2);
    entry.selfReg = select.Integer(3) != 0;
    entry.extractCom = select.Integer(4) != 0;
    entry.overwrite = select.Integer(5) != 0;
    entry.feature = select.Text(6);
    entry.destinationDir = select.Text(7);
    return entry;
}

std::vector<std::u16string> ProjectStore::EntryKeys() {
    SqliteStatement select(*m_connection,
                           "SELECT OriginalFile FROM VXKestromFile ORDER BY Sequence");
    std::vector<std::u16string> keys;
    while (select.Step()) {
        keys.push_back(select.Text(0));
    }
    return keys;
}

int64_t ProjectStore::EntryCount() {
    SqliteStatement select(*m_connection, "SELECT count(*) FROM VXKestromFile");
    return select.Step() ? select.Integer(0) : 0;
}

void ProjectStore::CreateEntry(std::u16string_view key, std::u16string_view newFilePath) {
    CheckEntryText(EntryField::Key, key);
    CheckEntryText(EntryField::NewFilePath, newFilePath);
    StoreWrite transaction(*this);
    RequireFreeKey(key);
    SqliteStatement insert(*m_connection,
                           "INSERT INTO VXKestromFile (OriginalFile, Sequence, NewFilePath)"
                           " VALUES (?, (SELECT coalesce(max(Sequence), 0) + 1 FROM VXKestromFile),"
                           " ?)");
    insert.Bind(1, key).Bind(2, newFilePath).Run();
    transaction.Commit();
    NotifyItem(key, ItemAdded, {});
}

void ProjectStore::PutEntryText(std::u16string_view key, EntryField field,
                                std::u16string_view value) {
    CheckEntryText(field, value);
    StoreWrite transaction(*this);
    if (field == EntryField::Key && value != key) {
        RequireFreeKey(value);
    }
    UpdateEntry(key, field, value);
    transaction.Commit();
    if (field == EntryField::Key) {
        NotifyItem(key, ItemRemoved, {});
        NotifyItem(value, ItemAdded, {});
    } else {
        NotifyItem(key, ItemModified, EntryFieldName(field));
    }
}

void ProjectStore::PutEntryInteger(std::u16string_view key, EntryField field, int32_t value) {
    if (field == EntryField::Type) {
        if (value < kPatchTypeUpdate || value > kPatchTypeNewFile) {
            BadValue(FormatString(u"%d is not a patch entry type (0 update, 1 delete when "
                                  u"applying the patch, 2 new file).",
                                  value));
        }
    } else if (field == EntryField::SelfReg || field == EntryField::ExtractCOM ||
               field == EntryField::Overwrite) {
        if (value != 0 && value != 1) {
            BadValue(FormatString(u"%s takes 0 or 1, not %d.", EntryFieldName(field), value));
        }
    } else {
        BadValue(FormatString(u"%s is not a number property.", EntryFieldName(field)));
    }
    StoreWrite transaction(*this);
    UpdateEntry(key, field, int64_t{value});
    transaction.Commit();
    NotifyItem(key, ItemModified, EntryFieldName(field));
}

void ProjectStore::DeleteEntry(std::u16string_view key) {
    StoreWrite transaction(*this);
    SqliteStatement remove(*m_connection, "DELETE FROM VXKestromFile WHERE OriginalFile = ?");
    remove.Bind(1, key).Run();
    RequireChange(key);
    transaction.Commit();
    NotifyItem(key, ItemRemoved, {});
}

std::u16string ProjectStore::UniqueEntryKey(std::u16string_view base, int32_t maxLength) {
    const size_t limit = maxLength < 0 ? kMaxKeyLength : static_cast<size_t>(maxLength);
    if (limit == 0 || limit > kMaxKeyLength) {
        BadValue(FormatString(u"A key can be 1 to %u characters long, not %d.", kMaxKeyLength,
                              maxLength));
    }
    const std::u16string stem = IdentifierFrom(base);
    // At most EntryCount() values can be taken, so the search ends by then.
    for (uint64_t n = 0;; ++n) {
        const std::u16string digits = n == 0 ? std::u16string() : Utf8ToUtf16(std::to_string(n));
        if (digits.size() >= limit) {
            BadValue(u"No free key of the allowed length is left.");
        }
        const std::u16string candidate = stem.substr(0, limit - digits.size()) + digits;
        if (!HasEntry(candidate)) {
            return candidate;
        }
    }
}

DWORD ProjectStore::Advise(IProjectEvents2* sink) {
    const DWORD cookie = m_nextCookie++;
    m_listeners.push_back({cookie, ComPtr<IProjectEvents2>(sink)});
    return cookie;
}

bool ProjectStore::Unadvise(DWORD cookie) {
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it) {
        if (it->cookie == cookie) {
            m_listeners.erase(it);
            return true;
        }
    }
    return false;
}

void ProjectStore::BeginUpdate() {
    if (m_updateDepth == 0) {
        PrepareWrite();
        m_connection->Execute("BEGIN IMMEDIATE");
    }
    ++m_updateDepth;
}

void ProjectStore::EndUpdate() {
    if (m_updateDepth == 0) {
        return;
    }
    if (--m_updateDepth > 0) {
        return;
    }
    try {
        m_connection->Execute("COMMIT");
    } catch (...) {
        // Nothing of the update is in the file: nobody hears of it.
        m_pending.clear();
        sqlite3_exec(m_connection->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    AnnounceUpdate();
}

void ProjectStore::AnnounceUpdate() {
    std::vector<Announcement> pending;
    pending.swap(m_pending);
    // Changes of one entry are told one by one, as its writes would have been; changes of
    // several entries once, so that a batch of thousands costs the listeners one refresh.
    const Announcement* firstItem = nullptr;
    bool severalEntries = false;
    for (const Announcement& announcement : pending) {
        if (announcement.item) {
            if (!firstItem) {
                firstItem = &announcement;
            } else if (announcement.key != firstItem->key) {
                severalEntries = true;
                break;
            }
        }
    }
    std::vector<std::u16string_view> toldProperties;
    bool toldEntries = false;
    for (const Announcement& announcement : pending) {
        if (!announcement.item) {
            if (std::find(toldProperties.begin(), toldProperties.end(), announcement.property) ==
                toldProperties.end()) {
                toldProperties.push_back(announcement.property);
                NotifyProperty(announcement.property);
            }
        } else if (!severalEntries) {
            NotifyItem(announcement.key, announcement.change, announcement.property);
        } else if (!toldEntries) {
            toldEntries = true;
            NotifyItem({}, ItemModified, {});
        }
    }
}

ProjectStore::~ProjectStore() {
    if (m_updateDepth > 0) {
        // An update left open keeps what it wrote, as its writes would have on their own.
        sqlite3_exec(m_connection->Handle(), "COMMIT", nullptr, nullptr, nullptr);
    }
}

void ProjectStore::NotifyItem(std::u16string_view key, ItemChange change,
                              std::u16string_view property) {
    if (Updating()) {
        m_pending.push_back({true, std::u16string(key), change, std::u16string(property)});
        return;
    }
    // A copy, so that a listener may unadvise (itself or another) while it is being called.
    const std::vector<Listener> listeners = m_listeners;
    const std::u16string keyText(key);
    const std::u16string propertyText(property);
    for (const Listener& listener : listeners) {
        listener.sink->OnItemChanged2(kPatchFileTable, keyText.c_str(), change,
                                      propertyText.c_str());
    }
}

void ProjectStore::NotifyProperty(std::u16string_view name) {
    if (Updating()) {
        m_pending.push_back({false, {}, ItemModified, std::u16string(name)});
        return;
    }
    const std::vector<Listener> listeners = m_listeners;
    const std::u16string nameText(name);
    for (const Listener& listener : listeners) {
        listener.sink->ChangeEvent(nameText.c_str());
    }
}

bool ProjectStore::HasOutsideChanges() {
    if (Updating()) {
        return false;
    }
    if (m_pendingCheck != ProjectFileUnchanged) {
        return true;
    }
    const std::optional<FileIdentity> now = IdentityOf(Path());
    return now != m_identity || DataVersion() != m_dataVersion;
}

ProjectFileCheck ProjectStore::CheckForOutsideChanges(std::u16string& notice) {
    notice.clear();
    if (Updating()) {
        return ProjectFileUnchanged;
    }
    ProjectFileCheck result =
        std::max(std::exchange(m_pendingCheck, ProjectFileUnchanged), FollowFile());
    if (const int64_t version = DataVersion(); version != m_dataVersion) {
        m_dataVersion = version;
        result = std::max(result, ProjectFileChangedOutside);
    }
    notice = std::exchange(m_notice, {});
    if (result == ProjectFileChangedOutside || result == ProjectFileRecovered) {
        NotifyItem({}, ItemModified, {});
    }
    return result;
}

void ProjectStore::PrepareWrite() {
    const ProjectFileCheck followed = FollowFile();
    if (followed == ProjectFileRestored) {
        // The write goes on into the restored file; the author hears of it through the check
        // that the event prompts.
        m_pendingCheck = std::max(m_pendingCheck, followed);
        NotifyProperty(kProjectFileEvent);
    } else if (followed == ProjectFileRecovered) {
        // The change was meant for the content the author saw, which is no longer the file's:
        // it is not made, and the failure carries the notice.
        m_pendingCheck = followed;
        const std::u16string text = std::exchange(m_notice, {}) + u" Your change was not made.";
        NotifyProperty(kProjectFileEvent);
        throw ProjectFailure(VXPROJ_E_REPLACED, text);
    }
    const bool readOnlyFile = IsReadOnlyFile(Path());
    if (readOnlyFile) {
        throw ProjectFailure(
            VXPROJ_E_READONLY,
            FormatString(u"The project file \"%s\" is read-only. Your change was not saved.",
                         Path()));
    }
    if (m_connection->IsReadOnly()) {
        Use(Connect(Path(), m_busyTimeoutMs)); // made writable since it was opened
    }
}

ProjectFileCheck ProjectStore::FollowFile() {
    const std::u16string path = Path();
    const std::optional<FileIdentity> now = IdentityOf(path);
    if (now == m_identity) {
        return ProjectFileUnchanged;
    }
    if (!now) {
        // Deleted: the connection still reads the deleted file, every commit included.
        WriteCopy(path);
        Use(Connect(path, m_busyTimeoutMs));
        m_notice = FormatString(u"The project file \"%s\" was deleted by another program. It has "
                                u"been written again from the project open here; nothing is "
                                u"lost.",
                                path);
        return ProjectFileRestored;
    }
    // Replaced: the open content is kept beside the file, under a name not yet taken.
    const size_t slash = path.rfind(u'/');
    const size_t dot = path.rfind(u'.');
    const size_t stemEnd =
        dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash + 1)
            ? dot
            : path.size();
    std::u16string recovered;
    for (int n = 1;; ++n) {
        recovered = path.substr(0, stemEnd) + u"-recovered" +
                    (n == 1 ? std::u16string() : FormatString(u"-%d", n)) + path.substr(stemEnd);
        try {
            WriteCopy(recovered);
            break;
        } catch (const ProjectFailure& failure) {
            if (failure.hr() != VXPROJ_E_EXISTS || n == 99) {
                throw;
            }
        }
    }
    const std::u16string type = Property(kProjectTypeProperty);
    std::optional<Opened> replacement;
    try {
        replacement = Connect(path, m_busyTimeoutMs);
        SqliteStatement select(*replacement->connection,
                               "SELECT Value FROM VXProjectProperty WHERE Name = ?");
        select.Bind(1, kProjectTypeProperty);
        if (!select.Step() || select.Text(0) != type) {
            replacement.reset();
        }
    } catch (const ProjectFailure&) {
        replacement.reset(); // not a project this one can become
    }
    if (replacement) {
        Use(std::move(*replacement));
        m_notice = FormatString(u"The project file \"%s\" was replaced by another file. The "
                                u"project now shows that file; the project as it was open here "
                                u"has been kept in \"%s\".",
                                path, recovered);
    } else {
        Use(Connect(recovered, m_busyTimeoutMs));
        m_notice = FormatString(u"The project file \"%s\" was replaced by a file that is not a "
                                u"%s project. The project as it was open here has been kept in "
                                u"\"%s\", and work goes on there.",
                                path, type, recovered);
    }
    return ProjectFileRecovered;
}

void ProjectStore::WriteCopy(const std::u16string& target) {
    const std::u16string temporary = TemporarySibling(target);
    DeleteFile(temporary);
    DeleteFile(temporary + u"-journal");
    try {
        {
            SqliteConnection copy(temporary, SqliteConnection::Mode::Create, m_busyTimeoutMs);
            sqlite3_backup* backup =
                sqlite3_backup_init(copy.Handle(), "main", m_connection->Handle(), "main");
            if (!backup) {
                copy.Fail(sqlite3_errcode(copy.Handle()));
            }
            const int rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
            if (rc != SQLITE_DONE) {
                copy.Fail(rc);
            }
        }
        LinkIntoPlace(temporary, target);
        DeleteFile(temporary);
    } catch (...) {
        DeleteFile(temporary);
        DeleteFile(temporary + u"-journal");
        throw;
    }
}

} // namespace vx
