#include "VxWsApplicationFilesEP/patchlist/ui/dlg_original_setup_files.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/framework/message_service.h"
#include "ide/framework/path_util.h"
#include "ide/framework/service_object_loader.h"
#include "ide/framework/widgets/control_id.h"
#include "ide/services/interfaces/app_services.h"
#include "platform/com/com_exception.h"
#include "ui_dlg_original_setup_files.h"

#include <QFontMetrics>
#include <QLayout>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace vx {
namespace {

// The template's size in dialog units.
constexpr int kTemplateWidth = 200;
constexpr int kTemplateHeight = 201;

constexpr std::u16string_view kFileTable = u"File";
constexpr std::u16string_view kComponentTable = u"Component";

QString ColumnHeading(uint32_t id) {
    return QString::fromStdU16String(std::u16string(LoadStringResource(id)));
}

// Dialog units in pixels at `font`, as Windows converts them: a horizontal unit is a quarter
// of the average width of the Latin letters, a vertical one an eighth of the font's height.
QSize DialogUnitsToPixels(const QFont& font, int width, int height) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (letters + 26) / 52;
    const int baseY = metrics.height();
    return {width * baseX / 4, height * baseY / 8};
}

bool ReadShowDestination() {
    ComPtr<IAppServices> services;
    ThrowIfFailed(CreateServiceObject(kAppServicesModule, CLSID_AppServices, services));
    int32_t option = 0;
    ThrowIfFailed(services->GetDestinationColumnOption(&option));
    return option == 1;
}

} // namespace

CDlgOriginalSetupFiles::CDlgOriginalSetupFiles(QWidget* parent)
    : QDialog(parent), m_showDestination(ReadShowDestination()) {
    Ui::DlgOriginalSetupFiles ui;
    ui.setupUi(this);
    m_fileList = ui.id_214;
    connect(ui.id_1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.id_2, &QPushButton::clicked, this, &QDialog::reject);
    m_fileList->ModifyStyle(LVS_SINGLESEL, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER);
    SetDlgCtrlID(this, IDD);
    resize(DialogUnitsToPixels(font(), kTemplateWidth, kTemplateHeight));
}

CDlgOriginalSetupFiles::~CDlgOriginalSetupFiles() = default;

int CDlgOriginalSetupFiles::DoModal(const std::u16string& packagePath, IUnknown* project) {
    m_packagePath = packagePath;
    m_selectedKeys.clear();
    m_project = project;
    struct Forget {
        IUnknown*& project;
        ~Forget() { project = nullptr; }
    } forget{m_project};
    OnInitDialog();
    return exec();
}

void CDlgOriginalSetupFiles::OnInitDialog() {
    // The layout places the list now, so that its width is known before the dialog shows.
    layout()->activate();
    if (m_fileList->GetColumnCount() == 0) { // a dialog shown again keeps its columns
        m_fileList->InsertColumn(0, ColumnHeading(IDS_COLUMN_NAME));
        m_fileList->InsertColumn(1, ColumnHeading(IDS_COLUMN_FILE_KEY));
        m_fileList->InsertColumn(
            2, ColumnHeading(m_showDestination ? IDS_COLUMN_DESTINATION : IDS_COLUMN_COMPONENT));
    }
    const int third = m_fileList->width() / 3;
    m_fileList->SetColumnWidth(0, third);
    m_fileList->SetColumnWidth(1, third);
    m_fileList->SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
    m_fileList->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    FillFileList();
}

void CDlgOriginalSetupFiles::FillFileList() {
    const std::u16string path = ExpandProjectPath(m_project, m_packagePath);
    auto package = std::make_unique<CVxMsiPackage>(path);
    // The package object takes a package it cannot open as one without tables; the dialog
    // would then show an empty list as if the package had no files. Nothing has called the
    // installer since the open, so its error record still says why.
    if (package->GetDatabaseHandle() == 0) {
        CheckMsiResult(ERROR_OPEN_FAILED, kApiOpenDatabase, path);
    }
    m_fileList->DeleteAllItems();
    std::vector<CVXListRow> rows;
    // A component's folder, once resolved, serves its other files: components often hold
    // several files, and each resolution walks the Directory table up to its root.
    std::unordered_map<std::u16string, QString> destinations;
    CMsiView* files = package->OpenTableView(kFileTable, u"");
    while (const CMsiRecord file = files->Fetch()) {
        std::u16string component = file.GetString(kFileComponent);
        QString third;
        if (!m_showDestination) {
            third = QString::fromStdU16String(component);
        } else if (const auto known = destinations.find(component); known != destinations.end()) {
            third = known->second;
        } else {
            const CMsiRecord row =
                package->FindRecord(kComponentTable, kComponentTable, component, u"");
            third = QString::fromStdU16String(
                package->GetDirectoryPath(row.GetString(kComponentDirectory)));
            destinations.emplace(std::move(component), third);
        }
        rows.push_back({{QString::fromStdU16String(UtilRemoveShortName(file.GetString(kFileName))),
                         QString::fromStdU16String(file.GetString(kFileKey)), std::move(third)},
                        0});
    }
    package.reset();
    // Every row goes to the top of the list, so the last file fetched leads.
    std::reverse(rows.begin(), rows.end());
    m_fileList->InsertItems(0, std::move(rows));
    if (m_fileList->GetItemCount() > 0) {
        m_fileList->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void CDlgOriginalSetupFiles::OnOK() {
    m_selectedKeys.clear();
    for (int row = m_fileList->GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = m_fileList->GetNextItem(row, LVNI_SELECTED)) {
        m_selectedKeys.push_back(m_fileList->GetItemText(row, 1).toStdU16String());
    }
    done(IDOK);
}

void CDlgOriginalSetupFiles::OnCancel() {
    done(IDCANCEL);
}

} // namespace vx
