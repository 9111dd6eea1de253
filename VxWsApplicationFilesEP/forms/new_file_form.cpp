#include "VxWsApplicationFilesEP/forms/new_file_form.h"

#include "VxWsApplicationFilesEP/forms/feature_tree.h"
#include "VxWsApplicationFilesEP/forms/form_ids.h"
#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "platform/sys/letter_case.h"
#include "ui_new_file_form.h"

#include <QComboBox>
#include <QLabel>
#include <QStyle>

#include <algorithm>

namespace vx {
namespace {

// Parents travel as a bound value, never inside the query's text.
constexpr std::u16string_view kChildFeaturesQuery =
    u"SELECT * FROM `Feature` WHERE `Feature_Parent`=?";
constexpr UINT kFeatureKeyColumn = 1;
constexpr UINT kFeatureTitleColumn = 3;

} // namespace

CNewFileForm::CNewFileForm()
    : CPatchAttributeForm(IDD_NEW_FILE_FORM, &BuildFromUi<Ui::NewFileForm>, kNewFileFormUnit,
                          kNewFileFormInitLine) {}

bool CNewFileForm::Create(QWidget* pane, UINT id) {
    if (!CPatchAttributeForm::Create(pane, id)) {
        return false;
    }
    QWidget* note = GetDlgItem(IDC_REGISTRATION_NOTE);
    note->findChild<QLabel*>(QStringLiteral("noteText"))
        ->setText(FormText(LoadStringResource(IDS_NEW_FILE_REGISTRATION_NOTE)));
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    note->findChild<QLabel*>(QStringLiteral("noteIcon"))
        ->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this)
                        .pixmap(QSize(size, size), devicePixelRatio()));
    // The note keeps its room while hidden, so the form does not move when it comes and goes.
    QSizePolicy policy = note->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    note->setSizePolicy(policy);
    note->hide();
    return true;
}

CFeatureTree& CNewFileForm::Features() const {
    return *GetDlgItemAs<CFeatureTree>(IDC_FEATURES);
}

void CNewFileForm::OnInit() {
    m_featureImages = CVXImageList(QSize(16, 16));
    m_featureImages.Add(LoadTreeIcon(QStringLiteral("feature")));
    CFeatureTree& tree = Features();
    tree.SetImageList(&m_featureImages);
    tree.onClick = [this](QPoint client) { FeatureClicked(client); };
    tree.onCheckKey = [this](HTREEITEM item) { FeatureCheckChanging(item); };
}

void CNewFileForm::ShowFile(const std::u16string& entryKey) {
    m_currentKey = entryKey;
    m_fileInfo.SetFileKey(entryKey);
    SetText(IDC_NEW_FILE_PATH, m_fileInfo.GetNewFilePath());
    {
        PackageOpen package(m_fileInfo);
        FillDestinations();
        const std::u16string destination = m_fileInfo.GetDestinationDir();
        // Without a destination the combo box keeps no selection and the folder its text.
        if (!destination.empty()) {
            auto* combo = GetDlgItemAs<QComboBox>(IDC_DESTINATION_DIR);
            combo->setCurrentIndex(combo->findText(FormText(destination), Qt::MatchExactly));
            ShowDestinationPath(destination);
        }
    }
    SetBtnState(IDC_SELF_REG, m_fileInfo.GetSelfReg() ? BST_CHECKED : BST_UNCHECKED);
    SetBtnState(IDC_NEW_EXTRACT_COM, m_fileInfo.GetExtractCOM() ? BST_CHECKED : BST_UNCHECKED);
    ShowRegistrationNote();
    BuildFeatureTree();
}

void CNewFileForm::FillDestinations() {
    std::vector<std::u16string> keys;
    m_fileInfo.GetDirectoryKeys(keys);
    // The list is sorted as the author reads it: without regard to letter case, keys that differ
    // only in case by their code units.
    std::sort(keys.begin(), keys.end(), [](const std::u16string& a, const std::u16string& b) {
        const int order = CompareIgnoringCase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    QStringList items;
    items.reserve(static_cast<qsizetype>(keys.size()));
    for (const std::u16string& key : keys) {
        items.push_back(FormText(key));
    }
    auto* combo = GetDlgItemAs<QComboBox>(IDC_DESTINATION_DIR);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
}

void CNewFileForm::ShowDestinationPath(const std::u16string& directoryKey) {
    SetCompactPath(IDC_DESTINATION_PATH, m_fileInfo.ResolveDirectoryKey(directoryKey));
}

void CNewFileForm::BuildFeatureTree() {
    CFeatureTree& tree = Features();
    tree.DeleteAllItems();
    m_features = ParseFeatureField(m_fileInfo.GetFeature());
    const std::u16string path = ExpandProjectPath(m_patchProject.Get(), m_fileInfo.PackagePath());
    CMsiHandle database;
    CheckMsiResult(MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, database.Out()),
                   kApiOpenDatabase, path);
    InsertFeatures(database, {}, TVI_ROOT); // the top level: features without a parent
}

void CNewFileForm::InsertFeatures(MSIHANDLE database, const std::u16string& parentKey,
                                  HTREEITEM parent) {
    CFeatureTree& tree = Features();
    CMsiView view;
    OpenViewChecked(database, kChildFeaturesQuery, view.Out());
    for (CMsiRecord row = view.ExecuteWithString(parentKey); row; row = view.Fetch()) {
        const std::u16string key = row.GetString(kFeatureKeyColumn);
        const bool checked = m_features.contains(key);
        HTREEITEM item =
            tree.InsertFeature(key, FormText(row.GetString(kFeatureTitleColumn)), parent, checked);
        if (checked) { // a chosen feature is in view: its parents open
            for (HTREEITEM above = parent; above && above != TVI_ROOT;
                 above = tree.GetParentItem(above)) {
                tree.Expand(above, TVE_EXPAND);
            }
        }
        InsertFeatures(database, key, item);
    }
}

void CNewFileForm::FeatureClicked(QPoint client) {
    UINT where = 0;
    HTREEITEM item = Features().HitTest(client, &where);
    if (item && where == TVHT_ONITEMSTATEICON) {
        FeatureCheckChanging(item);
    }
}

void CNewFileForm::FeatureCheckChanging(HTREEITEM item) {
    CFeatureTree& tree = Features();
    const std::u16string& key = tree.FeatureKey(item);
    // Read afresh: the field may have changed since the form was filled.
    FeatureSet features = ParseFeatureField(m_fileInfo.GetFeature());
    if (tree.GetCheck(item)) {
        features.erase(key);
    } else {
        features.insert(key);
    }
    m_fileInfo.SetFeature(JoinFeatureField(features));
    m_features = std::move(features);
}

void CNewFileForm::SelfRegChanged() {
    if (GetBtnState(IDC_SELF_REG) == BST_CHECKED) {
        m_fileInfo.SetSelfReg(true);
        m_fileInfo.SetExtractCOM(false);
        SetBtnState(IDC_NEW_EXTRACT_COM, BST_UNCHECKED);
    } else {
        m_fileInfo.SetSelfReg(false);
    }
    ShowRegistrationNote();
}

void CNewFileForm::ExtractComChanged() {
    if (GetBtnState(IDC_NEW_EXTRACT_COM) == BST_CHECKED) {
        m_fileInfo.SetExtractCOM(true);
        m_fileInfo.SetSelfReg(false);
        SetBtnState(IDC_SELF_REG, BST_UNCHECKED);
    } else {
        m_fileInfo.SetExtractCOM(false);
    }
    ShowRegistrationNote();
}

void CNewFileForm::ShowRegistrationNote() {
    const bool registers = GetBtnState(IDC_SELF_REG) == BST_CHECKED ||
                           GetBtnState(IDC_NEW_EXTRACT_COM) == BST_CHECKED;
    if (QWidget* note = GetDlgItem(IDC_REGISTRATION_NOTE)) {
        note->setVisible(registers);
    }
}

void CNewFileForm::DestinationChanged() {
    m_fileInfo.SetDestinationDir(GetDlgItemText(IDC_DESTINATION_DIR).toStdU16String());
    PackageOpen package(m_fileInfo);
    ShowDestinationPath(m_fileInfo.GetDestinationDir());
}

LRESULT CNewFileForm::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_VX_EDITCOMMIT && wParam == IDC_NEW_FILE_PATH) {
        CommitNewFilePath();
    }
    return 0;
}

void CNewFileForm::CommitNewFilePath() {
    m_fileInfo.SetNewFilePath(GetDlgItemText(IDC_NEW_FILE_PATH).toStdU16String());
}

void CNewFileForm::Browse() {
    if (const std::optional<QString> chosen = BrowseForFile(m_fileInfo.GetNewFilePath())) {
        SetDlgItemText(IDC_NEW_FILE_PATH, *chosen);
        CommitNewFilePath();
    }
}

void CNewFileForm::OnCommand(UINT id, UINT notifyCode) {
    if (id == IDC_DESTINATION_DIR && notifyCode == CBN_SELCHANGE) {
        DestinationChanged();
        return;
    }
    if (notifyCode != BN_CLICKED) {
        return;
    }
    switch (id) {
    case IDC_BROWSE_NEW_FILE:
        Browse();
        break;
    case IDC_SELF_REG:
        SelfRegChanged();
        break;
    case IDC_NEW_EXTRACT_COM:
        ExtractComChanged();
        break;
    default:
        break;
    }
}

} // namespace vx
