#pragma once
// The base of a page's document: the page's link to the open project. It holds no project
// data; it hands out the project objects, makes file names of the IDE's own pages, passes the
// host's commands on (the base handles none) and turns the project's change events into view
// updates: a changed row of a project table reaches every view as hint 2 with a
// CItemChangedHint naming the table.

#include "ide/framework/widgets/update_hint.h"
#include "ide/framework/widgets/workspace_interfaces.h"

#include <string>
#include <string_view>
#include <vector>

namespace vx {

class CVXWrkSpaceView;

class CVXWrkSpaceDoc {
public:
    CVXWrkSpaceDoc();
    virtual ~CVXWrkSpaceDoc();
    CVXWrkSpaceDoc(const CVXWrkSpaceDoc&) = delete;
    CVXWrkSpaceDoc& operator=(const CVXWrkSpaceDoc&) = delete;

    // Binds the document to the host's site: takes the project and listens to its events.
    // The control calls it before any view exists; DetachSite undoes it.
    HRESULT AttachSite(IWorkspaceSite* site);
    void DetachSite();

    // The open project, or E_UNEXPECTED (with error information) when there is none.
    HRESULT GetProject(IProject** project) const;
    HRESULT GetProjectRoot(IProjectRoot** root) const;
    // The full file name of one of the IDE's own pages: the program folder, `name` and
    // `extension` (".htm"); `name` and `extension` alone without a site.
    std::u16string GetFullProgramFilename(std::u16string_view name,
                                          std::u16string_view extension) const;

    // The framework flag: true while the page is the shown workspace.
    bool IsActiveWorkspace() const { return m_active; }
    void SetActiveWorkspace(bool active) { m_active = active; }

    virtual bool IsModified() const { return m_modified; }
    virtual void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    void AddView(CVXWrkSpaceView* view);
    void RemoveView(CVXWrkSpaceView* view);
    const std::vector<CVXWrkSpaceView*>& GetViews() const { return m_views; }
    // Calls OnUpdate of every view but `sender`.
    void UpdateAllViews(CVXWrkSpaceView* sender, LPARAM hint = HINT_GENERAL_REFRESH,
                        CUpdateHint* hintObject = nullptr);

    // The host's commands (ICommandTarget). The base handles none: `handled` false, status 0.
    virtual HRESULT OnExecuteCommand(UINT id, bool* handled);
    virtual HRESULT OnQueryCommandStatus(UINT id, int32_t* status);
    virtual bool CanEndSession() { return true; }

    // Project events. A changed row updates the views with hint 2; a property change does
    // nothing in the base.
    virtual void OnItemChanged(const CItemChangedHint& hint);
    virtual void OnProjectPropertyChanged(std::u16string_view property);

private:
    class EventSink;

    ComPtr<IWorkspaceSite> m_site;
    ComPtr<IProject> m_project;
    ComPtr<EventSink> m_sink;
    DWORD m_cookie = 0;
    bool m_active = false;
    bool m_modified = false;
    std::vector<CVXWrkSpaceView*> m_views;
};

} // namespace vx
