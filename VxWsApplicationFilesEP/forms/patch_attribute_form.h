#pragma once
// What the three forms of the right pane share: the form view on its template, the slot the
// view fills with it, the binding to the open project (one CPatchFileInfo per form), paths
// shortened for their labels, and the file dialog of the two path fields.
//
// Every change a form's controls make is written to the patch entry at once; a form keeps no
// unsaved state. Failures of its handlers are left to the host's event dispatch; only Init
// reports its own.

#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/shell/page_form.h"
#include "ide/framework/widgets/attribute_form.h"

#include <optional>
#include <string>
#include <string_view>

namespace vx {

// The width, in pixels of the form's font, that file names and folders are shortened to.
inline constexpr int kCompactPathWidth = 280;

class CPatchAttributeForm : public CVXAttributeForm, public IPageForm {
    Q_OBJECT

public:
    // Made hidden: the view's splitter shows the form when it brings it forward.
    bool Create(QWidget* pane, UINT id) override;
    // Keeps the project root, attaches the patch project to the file information and remembers
    // the view. A failure is reported with the form's unit and line; the form stays usable but
    // unbound.
    void Init(CVxWsApplicationFilesEPView* view) override;
    QWidget* Window() override { return this; }

    const std::u16string& CurrentKey() const { return m_currentKey; }
    bool IsInitialized() const { return m_initialized; }

protected:
    CPatchAttributeForm(UINT templateId, FormTemplateBuilder builder,
                        std::u16string_view reportUnit, int reportLine);

    // A form's own part of Init, after the project is attached.
    virtual void OnInit() {}

    // Sets a label or edit to `path` shortened to kCompactPathWidth; the whole path becomes its
    // tool tip.
    void SetCompactPath(UINT id, const std::u16string& path);
    void SetText(UINT id, std::u16string_view text);
    // The file dialog of a path field, opened at `storedPath` with its path variables expanded.
    // The chosen path, or nothing when the author cancelled.
    std::optional<QString> BrowseForFile(const std::u16string& storedPath);

    CVxWsApplicationFilesEPView* View() const { return m_view; }

    std::u16string m_currentKey; // empty until a file is shown
    CPatchFileInfo m_fileInfo;
    ComPtr<IPatchProject> m_patchProject;

private:
    ComPtr<IProjectRoot> m_projectRoot;
    CVxWsApplicationFilesEPView* m_view = nullptr;
    bool m_initialized = false;
    std::u16string_view m_reportUnit;
    int m_reportLine;
};

// Closes the file information's package when the operation that opened it ends, however it
// ends.
class PackageOpen {
public:
    explicit PackageOpen(CPatchFileInfo& info) : m_info(info) { m_info.OpenPackage(); }
    ~PackageOpen() { m_info.ClosePackage(); }
    PackageOpen(const PackageOpen&) = delete;
    PackageOpen& operator=(const PackageOpen&) = delete;

private:
    CPatchFileInfo& m_info;
};

QString FormText(std::u16string_view text);

} // namespace vx
