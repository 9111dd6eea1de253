#include "apps/vxide/project_page.h"

#include "apps/vxide/error_report.h"
#include "ide/framework/path_util.h"
#include "ide/framework/path_variables.h"
#include "ide/framework/widgets/file_dialog_service.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx::ide {
namespace {

QString Text(BStr& text) {
    return QString::fromStdU16String(text.ToString());
}

} // namespace

ProjectPage::ProjectPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* projectGroup = new QGroupBox(tr("Project"), this);
    auto* projectForm = new QFormLayout(projectGroup);
    m_file = new QLabel(projectGroup);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_type = new QLabel(projectGroup);
    projectForm->addRow(tr("Project file:"), m_file);
    projectForm->addRow(tr("Project type:"), m_type);
    layout->addWidget(projectGroup);

    auto* packageGroup = new QGroupBox(tr("Original setup package"), this);
    m_packageGroup = packageGroup;
    auto* packageForm = new QFormLayout(packageGroup);
    auto* pathRow = new QHBoxLayout;
    m_original = new QLineEdit(packageGroup);
    m_original->setAccessibleName(tr("Original setup package as stored"));
    auto* browse = new QPushButton(tr("&Browse..."), packageGroup);
    pathRow->addWidget(m_original);
    pathRow->addWidget(browse);
    auto* pathLabel = new QLabel(tr("&Stored path:"), packageGroup);
    pathLabel->setBuddy(m_original);
    packageForm->addRow(pathLabel, pathRow);
    m_expanded = new QLabel(packageGroup);
    m_expanded->setWordWrap(true);
    m_expanded->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    packageForm->addRow(tr("Resolves to:"), m_expanded);
    auto* note = new QLabel(tr("The stored path may use path variables such as "
                               "${ProjectFolder}. A change takes effect on the Application Files "
                               "page, which is opened anew."),
                            packageGroup);
    note->setWordWrap(true);
    packageForm->addRow(note);
    layout->addWidget(packageGroup);

    auto* variablesGroup = new QGroupBox(tr("Path variables"), this);
    auto* variablesLayout = new QVBoxLayout(variablesGroup);
    m_variables = new QTreeWidget(variablesGroup);
    m_variables->setHeaderLabels({tr("Name"), tr("Value")});
    m_variables->setRootIsDecorated(false);
    m_variables->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    variablesLayout->addWidget(m_variables);
    layout->addWidget(variablesGroup, 1);

    connect(m_original, &QLineEdit::editingFinished, this, &ProjectPage::CommitOriginalPackage);
    connect(browse, &QPushButton::clicked, this, &ProjectPage::BrowseOriginalPackage);
    SetProject(nullptr);
}

void ProjectPage::SetProject(IProject* project) {
    m_project = project;
    Reload();
}

ComPtr<IPatchProject> ProjectPage::PatchProject() const {
    ComPtr<IKestromProject> link;
    ComPtr<IPatchProject> patchProject;
    if (m_project &&
        SUCCEEDED(m_project->QueryInterface(IKestromProject::kIid,
                                            link.ReleaseAndGetVoidAddress()))) {
        link->GetPatchProject(patchProject.ReleaseAndGetAddressOf());
    }
    return patchProject;
}

void ProjectPage::Reload() {
    m_variables->clear();
    m_original->clear();
    m_expanded->clear();
    if (!m_project) {
        m_file->setText(tr("(no project open)"));
        m_type->clear();
        m_packageGroup->setEnabled(false);
        return;
    }
    BStr path;
    BStr type;
    m_project->GetFilePath(path.Out());
    m_project->GetProjectType(type.Out());
    m_file->setText(Text(path));
    const ComPtr<IPatchProject> patchProject = PatchProject();
    m_type->setText(patchProject ? tr("Patch project (%1)").arg(Text(type)) : Text(type));
    m_packageGroup->setEnabled(patchProject.Get() != nullptr);

    ComPtr<IPathVariables> variables;
    m_project->QueryInterface(IPathVariables::kIid, variables.ReleaseAndGetVoidAddress());
    BStr names;
    if (SUCCEEDED(m_project->GetPathVariableNames(names.Out())) && variables) {
        const QStringList list = Text(names).split(u'\n', Qt::SkipEmptyParts);
        for (const QString& name : list) {
            BStr value;
            variables->GetPathVariable(name.toStdU16String().c_str(), value.Out());
            m_variables->addTopLevelItem(new QTreeWidgetItem({name, Text(value)}));
        }
        BStr base;
        variables->GetBaseFolder(base.Out());
        m_variables->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdU16String(kProjectFolderVariable), Text(base) + tr(" (built in)")}));
    }
    if (!patchProject) {
        return;
    }
    BStr original;
    patchProject->GetOriginalPackage(original.Out());
    m_original->setText(Text(original));
    const QString expanded = QString::fromStdU16String(
        UtilGetAbsolutePathFromPathVar(original.ToString(), variables.Get()));
    m_expanded->setText(QFileInfo::exists(expanded)
                            ? expanded
                            : tr("%1 (no file is there)").arg(expanded));
}

void ProjectPage::CommitOriginalPackage() {
    const ComPtr<IPatchProject> patchProject = PatchProject();
    if (!patchProject) {
        return;
    }
    BStr stored;
    patchProject->GetOriginalPackage(stored.Out());
    const QString text = m_original->text().trimmed();
    if (text == Text(stored)) {
        return;
    }
    const HRESULT hr = patchProject->PutOriginalPackage(text.toStdU16String().c_str());
    if (FAILED(hr)) {
        ReportError(tr("The original package could not be changed: %1").arg(DescribeFailure(hr)));
    }
    Reload();
    if (SUCCEEDED(hr)) {
        emit OriginalPackageChanged();
    }
}

void ProjectPage::BrowseOriginalPackage() {
    FileDialogRequest request;
    request.title = tr("Original Setup Package");
    request.nameFilters = {tr("Windows Installer packages (*.msi)"), tr("All files (*)")};
    request.mustExist = true;
    request.owner = this;
    request.folder = QFileInfo(m_expanded->text()).absolutePath();
    const QStringList chosen = CurrentFileDialogService().Show(request);
    if (!chosen.isEmpty()) {
        m_original->setText(chosen.front());
        CommitOriginalPackage();
    }
}

} // namespace vx::ide
