#pragma once
// The Select File dialog (template 212) behind "Patch Existing File": every file of the original
// package, one row each with its name, File key and either its destination folder or its
// component, in the reverse of the package's File order. The author picks one or more rows;
// the command then adds a patch entry for each key.
//
// Use: construct (reads the destination-column option), DoModal, then SelectedKeys.

#include "ide/framework/widgets/list_ctrl.h"
#include "platform/com/unknown.h"

#include <QDialog>

#include <string>
#include <vector>

namespace vx {

inline constexpr UINT IDD_SELECT_FILE = 212;
inline constexpr UINT IDC_ORIGINAL_FILE_LIST = 214;

class CDlgOriginalSetupFiles : public QDialog {
    Q_OBJECT

public:
    enum { IDD = IDD_SELECT_FILE };

    // Asks the IDE's application services whether the third column shows destinations (option
    // value 1) or components. When the services cannot be created or asked, CComException
    // leaves the constructor.
    explicit CDlgOriginalSetupFiles(QWidget* parent = nullptr);
    ~CDlgOriginalSetupFiles() override;

    // Fills the list from the package at `packagePath` (path variables expanded with those of
    // `project`, which may be null) and runs the dialog modally; answers IDOK or IDCANCEL. A
    // package that cannot be opened or read raises CComException before anything is shown.
    int DoModal(const std::u16string& packagePath, IUnknown* project = nullptr);

    // The File keys of the rows selected when OK was pressed, top row first; empty otherwise.
    const std::vector<std::u16string>& SelectedKeys() const { return m_selectedKeys; }
    bool ShowsDestination() const { return m_showDestination; }
    const std::u16string& PackagePath() const { return m_packagePath; }
    CVXListCtrl& FileList() const { return *m_fileList; }

    // The OK and Cancel buttons, Enter, Esc and the close box arrive here.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    // Columns, the full-row style, the rows and the first row's selection.
    virtual void OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

private:
    void FillFileList();

    std::vector<std::u16string> m_selectedKeys;
    CVXListCtrl* m_fileList = nullptr;
    std::u16string m_packagePath;
    bool m_showDestination = false;
    IUnknown* m_project = nullptr; // only while DoModal runs
};

} // namespace vx
