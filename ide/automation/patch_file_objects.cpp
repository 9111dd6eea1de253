// The entry collection, its enumerator and the entries themselves.

#include "ide/automation/project_errors.h"
#include "ide/automation/project_objects.h"
#include "platform/com/com_exception.h"

#include <vector>

namespace vx {
namespace {

class PatchFile final : public ComObject<PatchFile, IPatchFile, IProjectItem> {
public:
    PatchFile(std::shared_ptr<ProjectStore> store, std::u16string key)
        : m_store(std::move(store)), m_key(std::move(key)) {}

    HRESULT GetKey(BSTR* key) override {
        return GuardedCall([&] { return CopyToBstr(Read().key, key); });
    }
    HRESULT PutKey(const char16_t* key) override {
        return GuardedCall([&] {
            m_store->PutEntryText(m_key, EntryField::Key, TextOrEmpty(key));
            m_key = TextOrEmpty(key);
            return S_OK;
        });
    }
    HRESULT GetNewFilePath(BSTR* path) override {
        return GuardedCall([&] { return CopyToBstr(Read().newFilePath, path); });
    }
    HRESULT PutNewFilePath(const char16_t* path) override {
        return PutText(EntryField::NewFilePath, path);
    }
    HRESULT GetType(int32_t* type) override {
        return GuardedCall([&]() -> HRESULT {
            if (!type) {
                return E_POINTER;
            }
            *type = Read().type;
            return S_OK;
        });
    }
    HRESULT PutType(int32_t type) override { return PutInteger(EntryField::Type, type); }
    HRESULT GetSelfReg(VARIANT_BOOL* value) override {
        return GetFlag(value, &PatchEntry::selfReg);
    }
    HRESULT PutSelfReg(VARIANT_BOOL value) override { return PutFlag(EntryField::SelfReg, value); }
    HRESULT GetExtractCOM(VARIANT_BOOL* value) override {
        return GetFlag(value, &PatchEntry::extractCom);
    }
    HRESULT PutExtractCOM(VARIANT_BOOL value) override {
        return PutFlag(EntryField::ExtractCOM, value);
    }
    HRESULT GetOverwrite(VARIANT_BOOL* value) override {
        return GetFlag(value, &PatchEntry::overwrite);
    }
    HRESULT PutOverwrite(VARIANT_BOOL value) override {
        return PutFlag(EntryField::Overwrite, value);
    }
    HRESULT GetFeature(BSTR* feature) override {
        return GuardedCall([&] { return CopyToBstr(Read().feature, feature); });
    }
    HRESULT PutFeature(const char16_t* feature) override {
        return PutText(EntryField::Feature, feature);
    }
    HRESULT GetDestinationDir(BSTR* directory) override {
        return GuardedCall([&] { return CopyToBstr(Read().destinationDir, directory); });
    }
    HRESULT PutDestinationDir(const char16_t* directory) override {
        return PutText(EntryField::DestinationDir, directory);
    }

    HRESULT Delete() override {
        return GuardedCall([&] {
            m_store->DeleteEntry(m_key);
            return S_OK;
        });
    }

private:
    PatchEntry Read() { return m_store->Entry(m_key); }
    HRESULT GetFlag(VARIANT_BOOL* value, bool PatchEntry::*flag) {
        return GuardedCall([&]() -> HRESULT {
            if (!value) {
                return E_POINTER;
            }
            *value = Read().*flag ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        });
    }
    HRESULT PutText(EntryField field, const char16_t* value) {
        return GuardedCall([&] {
            m_store->PutEntryText(m_key, field, TextOrEmpty(value));
            return S_OK;
        });
    }
    HRESULT PutInteger(EntryField field, int32_t value) {
        return GuardedCall([&] {
            m_store->PutEntryInteger(m_key, field, value);
            return S_OK;
        });
    }
    // Any non-zero VARIANT_BOOL is true, as automation clients pass 1 as often as -1.
    HRESULT PutFlag(EntryField field, VARIANT_BOOL value) {
        return PutInteger(field, value != VARIANT_FALSE ? 1 : 0);
    }

    std::shared_ptr<ProjectStore> m_store;
    std::u16string m_key;
};

class PatchFileEnum final : public ComObject<PatchFileEnum, IEnumVARIANT> {
public:
    PatchFileEnum(std::shared_ptr<ProjectStore> store, std::vector<std::u16string> keys,
                  size_t position)
        : m_store(std::move(store)), m_keys(std::move(keys)), m_position(position) {}

    HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        return GuardedCall([&]() -> HRESULT {
            if (!items && count > 0) {
                return E_POINTER;
            }
            ULONG done = 0;
            while (done < count && m_position < m_keys.size()) {
                ComPtr<IPatchFile> entry = MakePatchFileObject(m_store, m_keys[m_position]);
                VariantInit(&items[done]);
                items[done].vt = VT_UNKNOWN;
                items[done].punkVal = entry.Detach();
                ++done;
                ++m_position;
            }
            if (fetched) {
                *fetched = done;
            }
            return done == count ? S_OK : S_FALSE;
        });
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = m_keys.size() - m_position;
        m_position += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        m_position = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** copy) override {
        return GuardedCall([&]() -> HRESULT {
            if (!copy) {
                return E_POINTER;
            }
            *copy = MakeComObject<PatchFileEnum>(m_store, m_keys, m_position).Detach();
            return S_OK;
        });
    }

private:
    std::shared_ptr<ProjectStore> m_store;
    std::vector<std::u16string> m_keys;
    size_t m_position;
};

class PatchFileCollection final : public ComObject<PatchFileCollection, IPatchFiles> {
public:
    explicit PatchFileCollection(std::shared_ptr<ProjectStore> store) : m_store(std::move(store)) {}

    HRESULT Item(const VARIANT* key, IPatchFile** entry) override {
        return GuardedCall([&]() -> HRESULT {
            if (!key || !entry) {
                return E_POINTER;
            }
            *entry = nullptr;
            if (key->vt != VT_BSTR) {
                return PublishFailure(DISP_E_TYPEMISMATCH, u"A patch entry is looked up by its "
                                                           u"key, a string.");
            }
            const std::u16string text(key->bstrVal ? key->bstrVal : u"",
                                      key->bstrVal ? SysStringLen(key->bstrVal) : 0);
            if (!m_store->HasEntry(text)) {
                return S_FALSE;
            }
            *entry = MakePatchFileObject(m_store, text).Detach();
            return S_OK;
        });
    }
    HRESULT GetCount(int32_t* count) override {
        return GuardedCall([&]() -> HRESULT {
            if (!count) {
                return E_POINTER;
            }
            *count = static_cast<int32_t>(m_store->EntryCount());
            return S_OK;
        });
    }
    HRESULT NewEnum(IEnumVARIANT** enumerator) override {
        return GuardedCall([&]() -> HRESULT {
            if (!enumerator) {
                return E_POINTER;
            }
            *enumerator =
                MakeComObject<PatchFileEnum>(m_store, m_store->EntryKeys(), size_t{0}).Detach();
            return S_OK;
        });
    }

private:
    std::shared_ptr<ProjectStore> m_store;
};

} // namespace

ComPtr<IPatchFiles> MakePatchFileCollection(std::shared_ptr<ProjectStore> store) {
    ComPtr<PatchFileCollection> collection = MakeComObject<PatchFileCollection>(std::move(store));
    return ComPtr<IPatchFiles>(collection.Get());
}

ComPtr<IPatchFile> MakePatchFileObject(std::shared_ptr<ProjectStore> store, std::u16string key) {
    ComPtr<PatchFile> entry = MakeComObject<PatchFile>(std::move(store), std::move(key));
    return ComPtr<IPatchFile>(entry.Get());
}

PatchEntry ReadPatchEntry(IPatchFile* entry) {
    PatchEntry out;
    BStr key, path, feature, directory;
    VARIANT_BOOL selfReg = VARIANT_FALSE, extractCom = VARIANT_FALSE, overwrite = VARIANT_FALSE;
    ThrowIfFailed(entry->GetKey(key.Out()));
    ThrowIfFailed(entry->GetType(&out.type));
    ThrowIfFailed(entry->GetNewFilePath(path.Out()));
    ThrowIfFailed(entry->GetSelfReg(&selfReg));
    ThrowIfFailed(entry->GetExtractCOM(&extractCom));
    ThrowIfFailed(entry->GetOverwrite(&overwrite));
    ThrowIfFailed(entry->GetFeature(feature.Out()));
    ThrowIfFailed(entry->GetDestinationDir(directory.Out()));
    out.key = key.ToString();
    out.newFilePath = path.ToString();
    out.selfReg = selfReg != VARIANT_FALSE;
    out.extractCom = extractCom != VARIANT_FALSE;
    out.overwrite = overwrite != VARIANT_FALSE;
    out.feature = feature.ToString();
    out.destinationDir = directory.ToString();
    return out;
}

} // namespace vx
