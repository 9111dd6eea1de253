#pragma once
// The IDE's own "Project" page: the project file, its type, and the original package as stored
// (path variables and all) and as it resolves now, with the project's path variables. Changing
// the package is written to the project at once; the Application Files page takes it up when it
// is made anew, which the main window does on the signal.

#include "ide/automation/project_interfaces.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace vx::ide {

class ProjectPage final : public QWidget {
    Q_OBJECT
public:
    explicit ProjectPage(QWidget* parent = nullptr);

    // Shows `project` (null: no project open).
    void SetProject(IProject* project);

signals:
    void OriginalPackageChanged();

private:
    void Reload();
    void CommitOriginalPackage();
    void BrowseOriginalPackage();
    ComPtr<IPatchProject> PatchProject() const;

    ComPtr<IProject> m_project;
    QLabel* m_file = nullptr;
    QLabel* m_type = nullptr;
    QLineEdit* m_original = nullptr;
    QLabel* m_expanded = nullptr;
    QTreeWidget* m_variables = nullptr;
    QWidget* m_packageGroup = nullptr;
};

} // namespace vx::ide
