#pragma once
// The project automation objects the page and the tools work through. Every operation answers an
// HRESULT; a failure also leaves its description in the thread's error information, so a caller
// that passes the result to ThrowIfFailed gets a CComException that says what went wrong.
//
// Object graph: a project (IProject) of a patch type offers the patch-project interface
// (IKestromProject), which hands out the patch project object (IPatchProject). That object holds
// the original package path and the entry collection (IPatchFiles) of VXKestromFile rows; each
// entry is an IPatchFile that is also an IProjectItem. The project root (IProjectRoot) answers
// unique values for the project's tables.

#include "ide/framework/path_variables.h"
#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

#include <cstdint>

namespace vx {

// The table of patch entries and its key column.
inline constexpr char16_t kPatchFileTable[] = u"VXKestromFile";
inline constexpr char16_t kPatchFileKeyColumn[] = u"OriginalFile";

// The project type of a patch project.
inline constexpr char16_t kPatchProjectType[] = u"Kestrom";

// The item kind that IPatchProject::CreateItem makes: a row of VXKestromFile.
inline constexpr int32_t kPatchFileItemKind = 10;

// Entry types (IPatchFile::GetType).
inline constexpr int32_t kPatchTypeUpdate = 0;
inline constexpr int32_t kPatchTypeDelete = 1;
inline constexpr int32_t kPatchTypeNewFile = 2;

// What happened to a row (IProjectEvents2::OnItemChanged2).
enum ItemChange : int32_t { ItemAdded = 1, ItemModified = 2, ItemRemoved = 3 };

// The listener interface of a project. Called on the thread that made the change, after the
// change has been committed to the project file.
struct IProjectEvents2 : IUnknown {
    static constexpr IID kIid = MakeGuid("{2EE089A1-CC05-419D-89AD-05EC10BB1399}");
    // A project property changed (its name, e.g. "OriginalPackage").
    virtual HRESULT ChangeEvent(const char16_t* property) = 0;
    // A row of `table` was added, changed or removed. `property` names the changed column's
    // property for ItemModified and is empty otherwise. An empty `key` (with ItemModified and
    // no property) stands for several rows at once: a batch that changed more than one entry,
    // or changes made by another program; the listener reads the table afresh.
    virtual HRESULT OnItemChanged2(const char16_t* table, const char16_t* key, ItemChange change,
                                   const char16_t* property) = 0;
};

// A row of a project table seen as an item of the project.
struct IProjectItem : IUnknown {
    static constexpr IID kIid = MakeGuid("{7CC96B5A-A0F1-4577-9F5C-CD9CD88430E1}");
    // Removes the row from its table. Afterwards every property call on the item fails.
    virtual HRESULT Delete() = 0;
};

// One patch entry: a row of VXKestromFile. Every get reads the project file afresh and every put
// is one committed transaction.
struct IPatchFile : IUnknown {
    static constexpr IID kIid = MakeGuid("{E5115E57-42A2-4ADE-AD93-00451F87ADD7}");
    virtual HRESULT GetKey(BSTR* key) = 0;
    // Renames the entry; fails when another entry has the key.
    virtual HRESULT PutKey(const char16_t* key) = 0;
    virtual HRESULT GetNewFilePath(BSTR* path) = 0;
    virtual HRESULT PutNewFilePath(const char16_t* path) = 0;
    // kPatchTypeUpdate, kPatchTypeDelete or kPatchTypeNewFile.
    virtual HRESULT GetType(int32_t* type) = 0;
    virtual HRESULT PutType(int32_t type) = 0;
    virtual HRESULT GetSelfReg(VARIANT_BOOL* selfReg) = 0;
    virtual HRESULT PutSelfReg(VARIANT_BOOL selfReg) = 0;
    virtual HRESULT GetExtractCOM(VARIANT_BOOL* extractCom) = 0;
    virtual HRESULT PutExtractCOM(VARIANT_BOOL extractCom) = 0;
    virtual HRESULT GetOverwrite(VARIANT_BOOL* overwrite) = 0;
    virtual HRESULT PutOverwrite(VARIANT_BOOL overwrite) = 0;
    // Feature keys joined by ";".
    virtual HRESULT GetFeature(BSTR* feature) = 0;
    virtual HRESULT PutFeature(const char16_t* feature) = 0;
    virtual HRESULT GetDestinationDir(BSTR* directory) = 0;
    virtual HRESULT PutDestinationDir(const char16_t* directory) = 0;
};

// Standard COM enumerator of variants; here each variant holds an object reference (VT_UNKNOWN).
struct IEnumVARIANT : IUnknown {
    static constexpr IID kIid = MakeGuid("{00020404-0000-0000-C000-000000000046}");
    // Fills up to `count` variants; S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT** copy) = 0;
};

// The entries of a patch project.
struct IPatchFiles : IUnknown {
    static constexpr IID kIid = MakeGuid("{996733E6-ED41-4597-B78C-E1BC0D75C894}");
    // The entry whose key is the string in `key` (VT_BSTR). No such entry: S_FALSE and null.
    virtual HRESULT Item(const VARIANT* key, IPatchFile** entry) = 0;
    virtual HRESULT GetCount(int32_t* count) = 0;
    // Every entry, in the order in which the entries were created. The set of entries is taken
    // when the enumerator is made.
    virtual HRESULT NewEnum(IEnumVARIANT** enumerator) = 0;
};

// The patch project object.
struct IPatchProject : IUnknown {
    static constexpr IID kIid = MakeGuid("{DD669ECB-D3BD-412C-AF52-EBDAC03BF6F2}");
    // The original setup package's path as the author entered it (may hold path variables).
    virtual HRESULT GetOriginalPackage(BSTR* path) = 0;
    virtual HRESULT PutOriginalPackage(const char16_t* path) = 0;
    virtual HRESULT GetFiles(IPatchFiles** files) = 0;
    // Creates a row of the kind given (kPatchFileItemKind) with `key`; `value` is the new
    // entry's initial new file path. Answers the new item (ask it for IPatchFile).
    virtual HRESULT CreateItem(int32_t kind, const char16_t* key, const char16_t* value,
                               IUnknown** item) = 0;
};

// Groups the writes made through a project into one commit (one wait for the disk instead of
// one per write). Between BeginUpdate and the matching EndUpdate, which nest, each write still
// succeeds or fails whole; EndUpdate commits the writes that succeeded and only then are they
// announced to listeners: each change when they all concern one entry, otherwise once, with an
// empty key (see IProjectEvents2). Another program that writes the project meanwhile waits, as
// it waits for a single write. Offered by the project and the patch project object;
// CProjectBatch (project_batch.h) is the scope that C++ callers use.
struct IProjectUpdate : IUnknown {
    static constexpr IID kIid = MakeGuid("{5117FDD0-689D-4883-B289-A8B5878845C4}");
    virtual HRESULT BeginUpdate() = 0;
    virtual HRESULT EndUpdate() = 0;
};

// What IProjectOutsideChanges::CheckForOutsideChanges found.
enum ProjectFileCheck : int32_t {
    // The file is as this project left it.
    ProjectFileUnchanged = 0,
    // Another program (or another project object) committed changes to the file.
    ProjectFileChangedOutside = 1,
    // The file had been deleted; it was written again from the open project, nothing is lost.
    ProjectFileRestored = 2,
    // Another file had taken the project file's place. The open project's content was saved
    // beside it as "NAME-recovered.vxp"; the project now shows the file in its place when that
    // is a project of the same type, otherwise it goes on in the recovered copy.
    ProjectFileRecovered = 3,
};

// The project file as other programs leave it. A project reads the file afresh for every
// question, so another program's committed change is seen at once; what this interface adds is
// knowing that it happened (SQLite's data_version of the connection), so that windows can be
// refreshed, and taking care of a file deleted or replaced under the open project. A write
// checks the file too: it writes a deleted file again before it goes on, and refuses (error
// 2006) when the file was replaced. Offered by the project and the patch project object.
struct IProjectOutsideChanges : IUnknown {
    static constexpr IID kIid = MakeGuid("{EC6FADA3-2ECD-402B-813E-AABB3EBF8BE2}");
    // S_OK when the file changed outside since the last check (committed changes of another
    // program, the file deleted or replaced), S_FALSE otherwise. Changes nothing, tells nobody.
    virtual HRESULT HasOutsideChanges() = 0;
    // Brings the project in line with its file and answers what was found. When the entries
    // may have changed, listeners hear OnItemChanged2(VXKestromFile, "", ItemModified, "").
    // `notice` (may be null) receives the sentence the author must read when the file had to be
    // restored or recovered, and is empty otherwise. Inside an update it finds nothing: the
    // update holds the file.
    virtual HRESULT CheckForOutsideChanges(ProjectFileCheck* result, BSTR* notice) = 0;
};

// The name of the project event (IProjectEvents2::ChangeEvent) that says the project file had
// to be restored or recovered by a write; CheckForOutsideChanges then tells the details.
inline constexpr char16_t kProjectFileEvent[] = u"ProjectFile";

// The patch-project interface of a project. A project of another type refuses it.
struct IKestromProject : IUnknown {
    static constexpr IID kIid = MakeGuid("{9C9C6084-6739-4106-858D-A8F569C84182}");
    virtual HRESULT GetPatchProject(IPatchProject** patchProject) = 0;
};

// Operations over the project's tables as a whole.
struct IProjectRoot : IUnknown {
    static constexpr IID kIid = MakeGuid("{3BAD3800-5621-42C4-B995-B9F7AC6783B1}");
    // A value that no row of table.column holds, derived from `base`: base itself when it is
    // free, otherwise base followed by the smallest free decimal number from 1 on. Characters
    // that an installer identifier cannot hold become "_", and a value that would not start
    // with a letter or "_" gets a leading "_". `maxLength` -1 is the column's own limit; `flags`
    // and `reserved` must be 0.
    virtual HRESULT GetUniqueValue(const char16_t* table, const char16_t* column,
                                   const char16_t* base, int32_t maxLength, int32_t flags,
                                   int32_t reserved, BSTR* value) = 0;
};

// The project: its file, type, schema, path variables and listeners.
struct IProject : IUnknown {
    static constexpr IID kIid = MakeGuid("{3BCEE3E0-FA06-4A8D-B49D-DD0E0C30FE9D}");
    virtual HRESULT GetFilePath(BSTR* path) = 0;
    virtual HRESULT GetProjectType(BSTR* type) = 0;
    // The schema version the project file was written with.
    virtual HRESULT GetSchemaVersion(int32_t* version) = 0;
    virtual HRESULT GetProjectRoot(IProjectRoot** root) = 0;
    // Defines or changes a path variable; an empty value removes it.
    virtual HRESULT PutPathVariable(const char16_t* name, const char16_t* value) = 0;
    // The names of the defined variables (not the built-in ones), sorted, joined by "\n".
    virtual HRESULT GetPathVariableNames(BSTR* names) = 0;
    // Registers a listener; every listener registered with this project object hears every
    // change made through it.
    virtual HRESULT Advise(IProjectEvents2* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
};

} // namespace vx
