#include "ide/framework/widgets/wrkspace_doc.h"

#include "ide/framework/widgets/wrkspace_view.h"
#include "platform/com/com_exception.h"

#include <algorithm>

namespace vx {

// Listens to the project for the document; the document may go before the project lets go.
class CVXWrkSpaceDoc::EventSink final : public ComObject<EventSink, IProjectEvents2> {
public:
    explicit EventSink(CVXWrkSpaceDoc* document) : m_document(document) {}
    void Detach() { m_document = nullptr; }

    HRESULT ChangeEvent(const char16_t* property) override {
        if (m_document) {
            m_document->OnProjectPropertyChanged(property ? property : u"");
        }
        return S_OK;
    }

    HRESULT OnItemChanged2(const char16_t* table, const char16_t* key, ItemChange change,
                           const char16_t* property) override {
        if (m_document) {
            m_document->OnItemChanged(CItemChangedHint(table ? table : u"", key ? key : u"", change,
                                                       property ? property : u""));
        }
        return S_OK;
    }

private:
    CVXWrkSpaceDoc* m_document;
};

CVXWrkSpaceDoc::CVXWrkSpaceDoc() = default;

CVXWrkSpaceDoc::~CVXWrkSpaceDoc() {
    DetachSite();
    for (CVXWrkSpaceView* view : std::vector(m_views)) {
        view->SetDocument(nullptr);
    }
}

HRESULT CVXWrkSpaceDoc::AttachSite(IWorkspaceSite* site) {
    DetachSite();
    if (!site) {
        return E_POINTER;
    }
    m_site = site;
    if (const HRESULT hr = site->GetProject(m_project.ReleaseAndGetAddressOf()); FAILED(hr)) {
        return hr;
    }
    if (!m_project) {
        return S_OK; // a page without a project shows what it can
    }
    m_sink = MakeComObject<EventSink>(this);
    const HRESULT hr = m_project->Advise(m_sink.Get(), &m_cookie);
    if (FAILED(hr)) {
        m_sink->Detach();
        m_sink.Reset();
    }
    return hr;
}

void CVXWrkSpaceDoc::DetachSite() {
    if (m_sink) {
        m_sink->Detach();
        if (m_project) {
            m_project->Unadvise(m_cookie);
        }
        m_sink.Reset();
        m_cookie = 0;
    }
    m_project.Reset();
    m_site.Reset();
}

HRESULT CVXWrkSpaceDoc::GetProject(IProject** project) const {
    if (!project) {
        return E_POINTER;
    }
    *project = nullptr;
    if (!m_project) {
        return FailWithDescription(E_UNEXPECTED, u"The page has no open project.");
    }
    *project = m_project.Get();
    (*project)->AddRef();
    return S_OK;
}

HRESULT CVXWrkSpaceDoc::GetProjectRoot(IProjectRoot** root) const {
    if (!root) {
        return E_POINTER;
    }
    *root = nullptr;
    ComPtr<IProject> project;
    if (const HRESULT hr = GetProject(project.ReleaseAndGetAddressOf()); FAILED(hr)) {
        return hr;
    }
    return project->GetProjectRoot(root);
}

std::u16string CVXWrkSpaceDoc::GetFullProgramFilename(std::u16string_view name,
                                                      std::u16string_view extension) const {
    std::u16string path;
    BStr folder;
    if (m_site && SUCCEEDED(m_site->GetProgramFolder(folder.Out()))) {
        path = folder.ToString();
        if (!path.empty() && path.back() != u'/') {
            path += u'/';
        }
    }
    path += name;
    path += extension;
    return path;
}

void CVXWrkSpaceDoc::AddView(CVXWrkSpaceView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void CVXWrkSpaceDoc::RemoveView(CVXWrkSpaceView* view) {
    std::erase(m_views, view);
}

void CVXWrkSpaceDoc::UpdateAllViews(CVXWrkSpaceView* sender, LPARAM hint, CUpdateHint* hintObject) {
    // A copy: an update may add or remove views.
    for (CVXWrkSpaceView* view : std::vector(m_views)) {
        if (view != sender) {
            view->OnUpdate(sender, hint, hintObject);
        }
    }
}

HRESULT CVXWrkSpaceDoc::OnExecuteCommand(UINT, bool* handled) {
    if (handled) {
        *handled = false;
    }
    return S_OK;
}

HRESULT CVXWrkSpaceDoc::OnQueryCommandStatus(UINT, int32_t* status) {
    if (status) {
        *status = 0;
    }
    return S_OK;
}

void CVXWrkSpaceDoc::OnItemChanged(const CItemChangedHint& hint) {
    CItemChangedHint copy(hint);
    UpdateAllViews(nullptr, HINT_ITEM_CHANGED, &copy);
}

void CVXWrkSpaceDoc::OnProjectPropertyChanged(std::u16string_view) {}

} // namespace vx
