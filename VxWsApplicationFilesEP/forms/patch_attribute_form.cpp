#include "VxWsApplicationFilesEP/forms/patch_attribute_form.h"

#include "VxWsApplicationFilesEP/common/report_exception.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "VxWsApplicationFilesEP/shell/application_files_doc.h"
#include "VxWsApplicationFilesEP/shell/application_files_view.h"
#include "ide/framework/widgets/browse_file.h"
#include "ide/framework/widgets/path_compact.h"
#include "platform/com/com_exception.h"

#include <QLabel>
#include <QLineEdit>

namespace vx {

QString FormText(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

CPatchAttributeForm::CPatchAttributeForm(UINT templateId, FormTemplateBuilder builder,
                                         std::u16string_view reportUnit, int reportLine)
    : CVXAttributeForm(templateId, builder), m_reportUnit(reportUnit), m_reportLine(reportLine) {}

bool CPatchAttributeForm::Create(QWidget* pane, UINT id) {
    return CVXAttributeForm::Create(pane, id, WS_CHILD);
}

void CPatchAttributeForm::Init(CVxWsApplicationFilesEPView* view) {
    // The view first: the delete option reaches its tree even when the binding below fails.
    m_view = view;
    try {
        CVxWsApplicationFilesEPDoc* document = view ? view->GetDocument() : nullptr;
        if (!document) {
            ThrowIfFailed(E_UNEXPECTED);
        }
        ThrowIfFailed(document->GetProjectRoot(m_projectRoot.ReleaseAndGetAddressOf()));
        ComPtr<IProject> project;
        ThrowIfFailed(document->GetProject(project.ReleaseAndGetAddressOf()));
        ComPtr<IKestromProject> link;
        ThrowIfFailed(project.As(link));
        ThrowIfFailed(link->GetPatchProject(m_patchProject.ReleaseAndGetAddressOf()));
        // Each form warns of a missing package as it starts, then the Files To Patch tree.
        m_fileInfo.AttachProject(m_patchProject.Get());
        OnInit();
        m_initialized = true;
    } catch (const CException& failure) {
        ReportException(m_reportUnit, m_reportLine, failure);
    }
}

void CPatchAttributeForm::SetCompactPath(UINT id, const std::u16string& path) {
    const QString whole = FormText(path);
    QWidget* control = GetDlgItem(id);
    if (!control) {
        return;
    }
    SetDlgItemText(id, VXPathCompactPath(this, whole, kCompactPathWidth));
    control->setToolTip(whole);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        // A shortened path is shown whole: the edit is never narrower than the width and its
        // own frame and margins (what its size hint adds to 17 "x"), in the font it has now.
        const int around = edit->sizeHint().width() - 17 * edit->fontMetrics().horizontalAdvance(u'x');
        edit->setMinimumWidth(kCompactPathWidth + around);
        edit->setCursorPosition(0);
    }
}

void CPatchAttributeForm::SetText(UINT id, std::u16string_view text) {
    SetDlgItemText(id, FormText(text));
}

std::optional<QString> CPatchAttributeForm::BrowseForFile(const std::u16string& storedPath) {
    const std::u16string initial = ExpandProjectPath(m_patchProject.Get(), storedPath);
    CVXBrowseFile dialog(true, QStringLiteral("*.*"), FormText(initial),
                         OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                             OFN_FILEMUSTEXIST,
                         FormText(LoadStringResource(IDS_ALL_FILES_FILTER)), this);
    return dialog.DoModal();
}

} // namespace vx
