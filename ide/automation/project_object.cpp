// The project, its patch-project interface, the patch project object and the project root.

#include "ide/automation/project_errors.h"
#include "ide/automation/project_factory.h"
#include "ide/automation/project_objects.h"

#include <optional>

namespace vx {
namespace {

// Offered by both the project and the patch project object, so that path expansion works from
// whichever the caller holds.
class PathVariablesOf {
public:
    explicit PathVariablesOf(std::shared_ptr<ProjectStore> store) : m_store(std::move(store)) {}

    HRESULT Get(const char16_t* name, BSTR* value) {
        return GuardedCall([&]() -> HRESULT {
            if (!value) {
                return E_POINTER;
            }
            *value = nullptr;
            const std::u16string_view key = TextOrEmpty(name);
            if (key == kProjectFolderVariable) {
                return CopyToBstr(m_store->Folder(), value);
            }
            const std::optional<std::u16string> found = m_store->PathVariable(key);
            if (!found) {
                return S_FALSE;
            }
            return CopyToBstr(*found, value);
        });
    }
    HRESULT Base(BSTR* folder) {
        return GuardedCall([&] { return CopyToBstr(m_store->Folder(), folder); });
    }
    const std::shared_ptr<ProjectStore>& Store() const { return m_store; }

private:
    std::shared_ptr<ProjectStore> m_store;
};

// Updates and the file's outside changes, offered by both the project and the patch project
// object: a batch or a check works from whichever the caller holds.
class StoreControl {
public:
    explicit StoreControl(ProjectStore& store) : m_store(store) {}

    HRESULT BeginUpdate() {
        return GuardedCall([&] {
            m_store.BeginUpdate();
            return S_OK;
        });
    }
    HRESULT EndUpdate() {
        return GuardedCall([&] {
            m_store.EndUpdate();
            return S_OK;
        });
    }
    HRESULT HasOutsideChanges() {
        return GuardedCall([&] { return m_store.HasOutsideChanges() ? S_OK : S_FALSE; });
    }
    HRESULT CheckForOutsideChanges(ProjectFileCheck* result, BSTR* notice) {
        return GuardedCall([&]() -> HRESULT {
            if (!result) {
                return E_POINTER;
            }
            if (notice) {
                *notice = nullptr;
            }
            std::u16string text;
            *result = m_store.CheckForOutsideChanges(text);
            return notice ? CopyToBstr(text, notice) : S_OK;
        });
    }

private:
    ProjectStore& m_store;
};

class PatchProject final : public ComObject<PatchProject, IPatchProject, IPathVariables,
                                            IProjectUpdate, IProjectOutsideChanges> {
public:
    explicit PatchProject(std::shared_ptr<ProjectStore> store)
        : m_variables(std::move(store)), m_control(Store()) {}

    HRESULT GetOriginalPackage(BSTR* path) override {
        return GuardedCall(
            [&] { return CopyToBstr(Store().Property(kOriginalPackageProperty), path); });
    }
    HRESULT PutOriginalPackage(const char16_t* path) override {
        return GuardedCall([&] {
            Store().PutProperty(kOriginalPackageProperty, TextOrEmpty(path));
            return S_OK;
        });
    }
    HRESULT GetFiles(IPatchFiles** files) override {
        return GuardedCall([&]() -> HRESULT {
            if (!files) {
                return E_POINTER;
            }
            *files = MakePatchFileCollection(m_variables.Store()).Detach();
            return S_OK;
        });
    }
    HRESULT CreateItem(int32_t kind, const char16_t* key, const char16_t* value,
                       IUnknown** item) override {
        return GuardedCall([&]() -> HRESULT {
            if (!item) {
                return E_POINTER;
            }
            *item = nullptr;
            if (kind != kPatchFileItemKind) {
                return PublishFailure(E_INVALIDARG,
                                      u"This project makes only patch entries (item kind 10).");
            }
            Store().CreateEntry(TextOrEmpty(key), TextOrEmpty(value));
            ComPtr<IPatchFile> entry =
                MakePatchFileObject(m_variables.Store(), std::u16string(TextOrEmpty(key)));
            *item = entry.Detach();
            return S_OK;
        });
    }
    HRESULT GetPathVariable(const char16_t* name, BSTR* value) override {
        return m_variables.Get(name, value);
    }
    HRESULT GetBaseFolder(BSTR* folder) override { return m_variables.Base(folder); }
    HRESULT BeginUpdate() override { return m_control.BeginUpdate(); }
    HRESULT EndUpdate() override { return m_control.EndUpdate(); }
    HRESULT HasOutsideChanges() override { return m_control.HasOutsideChanges(); }
    HRESULT CheckForOutsideChanges(ProjectFileCheck* result, BSTR* notice) override {
        return m_control.CheckForOutsideChanges(result, notice);
    }

private:
    ProjectStore& Store() { return *m_variables.Store(); }
    PathVariablesOf m_variables;
    StoreControl m_control;
};

class Project final : public ComObject<Project, IProject, IKestromProject, IProjectRoot,
                                       IPathVariables, IProjectUpdate, IProjectOutsideChanges> {
public:
    Project(std::shared_ptr<ProjectStore> store, std::u16string type)
        : m_variables(std::move(store)), m_control(Store()), m_type(std::move(type)) {}

    // A project of another type refuses the patch-project interface.
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IKestromProject::kIid && m_type != kPatchProjectType) {
            if (object) {
                *object = nullptr;
            }
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(iid, object);
    }

    HRESULT GetFilePath(BSTR* path) override {
        return GuardedCall([&] { return CopyToBstr(Store().Path(), path); });
    }
    HRESULT GetProjectType(BSTR* type) override {
        return GuardedCall([&] { return CopyToBstr(m_type, type); });
    }
    HRESULT GetSchemaVersion(int32_t* version) override {
        if (!version) {
            return E_POINTER;
        }
        *version = Store().SchemaVersion();
        return S_OK;
    }
    HRESULT GetProjectRoot(IProjectRoot** root) override {
        if (!root) {
            return E_POINTER;
        }
        AddRef();
        *root = this;
        return S_OK;
    }
    HRESULT PutPathVariable(const char16_t* name, const char16_t* value) override {
        return GuardedCall([&] {
            Store().PutPathVariable(TextOrEmpty(name), TextOrEmpty(value));
            return S_OK;
        });
    }
    HRESULT GetPathVariableNames(BSTR* names) override {
        return GuardedCall([&] {
            std::u16string joined;
            for (const auto& name : Store().PathVariableNames()) {
                if (!joined.empty()) {
                    joined += u'\n';
                }
                joined += name;
            }
            return CopyToBstr(joined, names);
        });
    }
    HRESULT Advise(IProjectEvents2* sink, DWORD* cookie) override {
        return GuardedCall([&]() -> HRESULT {
            if (!sink || !cookie) {
                return E_POINTER;
            }
            *cookie = Store().Advise(sink);
            return S_OK;
        });
    }
    HRESULT Unadvise(DWORD cookie) override {
        return Store().Unadvise(cookie)
                   ? S_OK
                   : PublishFailure(E_INVALIDARG, u"No listener is registered with that cookie.");
    }

    HRESULT GetPatchProject(IPatchProject** patchProject) override {
        return GuardedCall([&]() -> HRESULT {
            if (!patchProject) {
                return E_POINTER;
            }
            *patchProject = MakeComObject<PatchProject>(m_variables.Store()).Detach();
            return S_OK;
        });
    }

    HRESULT GetUniqueValue(const char16_t* table, const char16_t* column, const char16_t* base,
                           int32_t maxLength, int32_t flags, int32_t reserved,
                           BSTR* value) override {
        return GuardedCall([&]() -> HRESULT {
            if (!value) {
                return E_POINTER;
            }
            *value = nullptr;
            if (TextOrEmpty(table) != kPatchFileTable ||
                TextOrEmpty(column) != kPatchFileKeyColumn) {
                return PublishFailure(
                    E_INVALIDARG, u"Unique values are made only for VXKestromFile.OriginalFile.");
            }
            if (flags != 0 || reserved != 0) {
                return PublishFailure(E_INVALIDARG, u"Unknown options for a unique value.");
            }
            return CopyToBstr(Store().UniqueEntryKey(TextOrEmpty(base), maxLength), value);
        });
    }

    HRESULT GetPathVariable(const char16_t* name, BSTR* value) override {
        return m_variables.Get(name, value);
    }
    HRESULT GetBaseFolder(BSTR* folder) override { return m_variables.Base(folder); }
    HRESULT BeginUpdate() override { return m_control.BeginUpdate(); }
    HRESULT EndUpdate() override { return m_control.EndUpdate(); }
    HRESULT HasOutsideChanges() override { return m_control.HasOutsideChanges(); }
    HRESULT CheckForOutsideChanges(ProjectFileCheck* result, BSTR* notice) override {
        return m_control.CheckForOutsideChanges(result, notice);
    }

private:
    ProjectStore& Store() { return *m_variables.Store(); }
    PathVariablesOf m_variables;
    StoreControl m_control;
    std::u16string m_type;
};

template <class Make> HRESULT MakeProject(IProject** project, Make&& make) {
    if (!project) {
        return E_POINTER;
    }
    *project = nullptr;
    return GuardedCall([&] {
        std::shared_ptr<ProjectStore> store = make();
        *project = MakeProjectObject(std::move(store)).Detach();
        return S_OK;
    });
}

} // namespace

ComPtr<IProject> MakeProjectObject(std::shared_ptr<ProjectStore> store) {
    std::u16string type = store->Property(kProjectTypeProperty);
    ComPtr<Project> project = MakeComObject<Project>(std::move(store), std::move(type));
    return ComPtr<IProject>(project.Get());
}

HRESULT OpenProject(std::u16string_view path, const ProjectOpenOptions& options,
                    IProject** project) {
    return MakeProject(project, [&] { return ProjectStore::Open(std::u16string(path), options); });
}

HRESULT CreateProject(std::u16string_view path, std::u16string_view type,
                      std::u16string_view originalPackage, const ProjectOpenOptions& options,
                      IProject** project) {
    return MakeProject(project, [&] {
        return ProjectStore::Create(std::u16string(path), type, originalPackage, options);
    });
}

} // namespace vx
