#pragma once
// The forms of the page's right pane, as the view sees them: a form is created as a child of the
// pane, bound to the view's project, shown beside the contents page and loaded with one file at
// a time. Each of the three slots is filled by a factory registered with the module; a slot
// without one has no form, and the view shows the contents page where that form would go.

#include "ide/framework/widgets/win_types.h"

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace vx {

class CVxWsApplicationFilesEPView;

enum class PageFormSlot {
    ModifiedFile, // a file of the original package that the patch updates or deletes
    NewFile,      // a file the patch adds
    OriginalFile, // a file of the original package, read only
};

class IPageForm {
public:
    virtual ~IPageForm() = default;
    // Creates the form's window as a child of `pane` with control id `id`.
    virtual bool Create(QWidget* pane, UINT id) = 0;
    // Binds the form to the project of `view`; a form reports its own failures here.
    virtual void Init(CVxWsApplicationFilesEPView* view) = 0;
    // Loads the file whose key is `key` into the form. Project and package failures raise.
    virtual void ShowFile(const std::u16string& key) = 0;
    virtual QWidget* Window() = 0;
};

using PageFormFactory = std::function<std::unique_ptr<IPageForm>()>;

// Fills `slot` (a null factory empties it). Registered before a page is first shown.
void RegisterPageForm(PageFormSlot slot, PageFormFactory factory);
// A new form for `slot`, or null when none is registered.
std::unique_ptr<IPageForm> CreatePageForm(PageFormSlot slot);

} // namespace vx
