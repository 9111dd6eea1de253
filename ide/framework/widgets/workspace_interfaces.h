#pragma once
// How the IDE hosts a page. The host creates the page's control from its module (class
// factory), asks it for IWorkspace, initialises it with a site that gives the project, embeds
// the page's window and then tells it when it is shown, hidden, refreshed and closed. The
// host's commands reach the page's document through ICommandTarget.

#include "ide/automation/project_interfaces.h"
#include "ide/framework/widgets/win_types.h"
#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

class QWidget;

namespace vx {

// The host's help command: context help for the shown page.
inline constexpr UINT ID_WORKSPACE_HELP = 32827;

// What the host offers a page.
struct IWorkspaceSite : IUnknown {
    static constexpr IID kIid = MakeGuid("{0B7E6C2A-5D1F-4F3E-9A8B-3C2D1E0F4A51}");
    // The project the page works on.
    virtual HRESULT GetProject(IProject** project) = 0;
    // The folder of the IDE's own pages (contents pages), with "/" as separator.
    virtual HRESULT GetProgramFolder(BSTR* folder) = 0;
};

struct IWorkspace : IUnknown {
    static constexpr IID kIid = MakeGuid("{6A1D3F87-2B4C-4E59-8D7A-1F0E9C3B5D62}");
    // Binds the page to the site's project and builds its document, frame and view (hidden).
    virtual HRESULT Initialize(IWorkspaceSite* site) = 0;
    // The page's window, for the host to embed; null before Initialize and after closing.
    virtual HRESULT GetWindow(QWidget** window) = 0;
    // The page becomes the shown one: its window shows (the view's initial update runs on the
    // first showing) and the page's active flag is set.
    virtual HRESULT OnShowWorkspace() = 0;
    // Another page is shown: the window hides and the active flag is cleared.
    virtual HRESULT OnHideWorkspace() = 0;
    // The general refresh (hint 0) to every view of the page.
    virtual HRESULT OnUpdateWorkspace() = 0;
    // The project closes: view, frame and document go and the project is released.
    virtual HRESULT OnCloseWorkspace() = 0;
};

struct IWorkspace2 : IWorkspace {
    using Parent = IWorkspace;
    static constexpr IID kIid = MakeGuid("{C53E8B19-74A6-4D0F-B2E1-8F6A9D4C0B73}");
    // Narrows what the page shows to `text`; pages without a filter ignore it.
    virtual HRESULT Filter(const char16_t* text) = 0;
};

// The host's commands, handled by the page's document. Both answer S_OK; `handled` and
// `status` tell the outcome.
struct ICommandTarget : IUnknown {
    static constexpr IID kIid = MakeGuid("{8E2F4A61-C93B-4B7D-A05E-6D1C2B9F8E34}");
    virtual HRESULT ExecuteCommand(UINT id, bool* handled) = 0;
    // 0: not handled; otherwise the page's state bits for the command.
    virtual HRESULT QueryCommandStatus(UINT id, int32_t* status) = 0;
    // Whether the page lets the IDE end now.
    virtual HRESULT QueryEndSession(bool* canEnd) = 0;
};

} // namespace vx
