#include "VxWsApplicationFilesEP/forms/file_attributes_org_form.h"

#include "VxWsApplicationFilesEP/forms/form_ids.h"
#include "ui_file_attributes_org_form.h"

namespace vx {

CFileAttributesOrgForm::CFileAttributesOrgForm()
    : CPatchAttributeForm(IDD_FILE_ATTRIBUTES_ORG_FORM, &BuildFromUi<Ui::FileAttributesOrgForm>,
                          kFileAttributesOrgFormUnit, kFileAttributesOrgFormInitLine) {}

void CFileAttributesOrgForm::ShowFile(const std::u16string& fileKey) {
    m_currentKey = fileKey;
    PackageOpen package(m_fileInfo);
    m_fileInfo.SetFileKey(fileKey);
    SetCompactPath(IDC_FILE_NAME, m_fileInfo.GetFileName());
    SetText(IDC_FILE_KEY, fileKey);
    SetCompactPath(IDC_DESTINATION, m_fileInfo.GetDestination());
    SetText(IDC_FILE_VERSION, m_fileInfo.GetFileVersion());
    SetText(IDC_COMPONENT_NAME, m_fileInfo.GetComponentName());
    SetText(IDC_KEY_FILE, m_fileInfo.GetKeyFile());
    SetText(IDC_FILE_LANGUAGE, m_fileInfo.GetFileLanguage());
}

void CFileAttributesOrgForm::OnShowWindow(bool show) {
    if (show && !m_currentKey.empty()) {
        ShowFile(m_currentKey);
    }
}

} // namespace vx
