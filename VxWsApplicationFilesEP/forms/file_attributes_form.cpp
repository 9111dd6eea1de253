#include "VxWsApplicationFilesEP/forms/file_attributes_form.h"

#include "VxWsApplicationFilesEP/forms/form_ids.h"
#include "VxWsApplicationFilesEP/shell/application_files_view.h"
#include "ui_file_attributes_form.h"

namespace vx {

CFileAttributesForm::CFileAttributesForm()
    : CPatchAttributeForm(IDD_FILE_ATTRIBUTES_FORM, &BuildFromUi<Ui::FileAttributesForm>,
                          kFileAttributesFormUnit, kFileAttributesFormInitLine) {}

void CFileAttributesForm::ShowFile(const std::u16string& fileKey) {
    m_currentKey = fileKey;
    PackageOpen package(m_fileInfo);
    m_fileInfo.SetFileKey(fileKey);
    SetText(IDC_UPDATED_FILE_PATH, m_fileInfo.GetNewFilePath()); // as stored, not expanded
    SetCompactPath(IDC_FILE_NAME, m_fileInfo.GetFileName());
    SetText(IDC_FILE_KEY, fileKey);
    SetCompactPath(IDC_DESTINATION, m_fileInfo.GetDestination());
    SetText(IDC_FILE_VERSION, m_fileInfo.GetFileVersion());
    SetText(IDC_COMPONENT_NAME, m_fileInfo.GetComponentName());
    SetText(IDC_KEY_FILE, m_fileInfo.GetKeyFile());
    SetText(IDC_NEW_FILE_VERSION, m_fileInfo.GetNewFileVersion());
    const bool deleteOnPatch = m_fileInfo.GetDeleteOnPatch();
    SetBtnState(IDC_DELETE_ON_PATCH, deleteOnPatch ? BST_CHECKED : BST_UNCHECKED);
    SetBtnState(IDC_OVERWRITE, m_fileInfo.GetOverwrite() ? BST_CHECKED : BST_UNCHECKED);
    SetBtnState(IDC_UPDATED_EXTRACT_COM, m_fileInfo.GetExtractCOM() ? BST_CHECKED : BST_UNCHECKED);
    EnableEditing(!deleteOnPatch);
}

void CFileAttributesForm::EnableEditing(bool enable) {
    SetWndEnable(IDC_UPDATED_FILE_PATH, enable);
    SetWndEnable(IDC_BROWSE_UPDATED_FILE, enable);
    SetWndEnable(IDC_OVERWRITE, enable);
}

LRESULT CFileAttributesForm::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_VX_EDITCOMMIT && wParam == IDC_UPDATED_FILE_PATH) {
        CommitNewFilePath();
    }
    return 0;
}

void CFileAttributesForm::CommitNewFilePath() {
    m_fileInfo.SetNewFilePath(GetDlgItemText(IDC_UPDATED_FILE_PATH).toStdU16String());
    SetText(IDC_NEW_FILE_VERSION, m_fileInfo.GetNewFileVersion());
}

void CFileAttributesForm::Browse() {
    if (const std::optional<QString> chosen = BrowseForFile(m_fileInfo.GetNewFilePath())) {
        SetDlgItemText(IDC_UPDATED_FILE_PATH, *chosen);
        CommitNewFilePath();
    }
}

void CFileAttributesForm::DeleteOptionChanged() {
    const bool deleteOnPatch = GetBtnState(IDC_DELETE_ON_PATCH) == BST_CHECKED;
    EnableEditing(!deleteOnPatch);
    m_fileInfo.SetDeleteOnPatch(deleteOnPatch);
    if (View()) {
        if (deleteOnPatch) {
            View()->PatchTree().MarkCurrentNodeDeleted();
        } else {
            View()->PatchTree().MarkCurrentNodePatched();
        }
    }
}

void CFileAttributesForm::OnCommand(UINT id, UINT notifyCode) {
    if (notifyCode != BN_CLICKED) {
        return;
    }
    switch (id) {
    case IDC_BROWSE_UPDATED_FILE:
        Browse();
        break;
    case IDC_DELETE_ON_PATCH:
        DeleteOptionChanged();
        break;
    case IDC_OVERWRITE:
        m_fileInfo.SetOverwrite(GetBtnState(IDC_OVERWRITE) == BST_CHECKED);
        break;
    case IDC_UPDATED_EXTRACT_COM:
        m_fileInfo.SetExtractCOM(GetBtnState(IDC_UPDATED_EXTRACT_COM) != BST_UNCHECKED);
        break;
    default:
        break;
    }
}

void CFileAttributesForm::OnShowWindow(bool show) {
    if (show && !m_currentKey.empty()) {
        ShowFile(m_currentKey);
    }
}

} // namespace vx
