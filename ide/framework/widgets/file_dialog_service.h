#pragma once
// File dialogs through a replaceable service, so that a test answers them in place of a
// person. The default service shows Qt's file dialog.

#include <QString>
#include <QStringList>

class QWidget;

namespace vx {

struct FileDialogRequest {
    bool open = true;        // an open dialog; false: a save dialog
    QString title;           // empty: the dialog's own
    QString folder;          // where the dialog starts; empty: the current folder
    QString fileName;        // the file name proposed, without folder
    QStringList nameFilters; // Qt's form: "Programs (*.exe *.dll)"
    QString defaultSuffix;   // appended to a saved name without one
    bool mustExist = false;  // only existing files can be chosen
    bool multiple = false;   // several files can be chosen
    bool overwritePrompt = false;
    bool directory = false; // an existing folder is chosen, not a file (open only)
    QWidget* owner = nullptr;
};

class IFileDialogService {
public:
    // The chosen files, full paths; empty when the author cancelled.
    virtual QStringList Show(const FileDialogRequest& request) = 0;

protected:
    ~IFileDialogService() = default;
};

// Installs `service` (null restores Qt's dialog) and answers the one it replaces. The caller
// keeps ownership and keeps it alive while installed.
IFileDialogService* SetFileDialogService(IFileDialogService* service);
IFileDialogService& CurrentFileDialogService();

} // namespace vx
