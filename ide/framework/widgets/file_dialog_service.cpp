#include "ide/framework/widgets/file_dialog_service.h"

#include "ide/framework/service_slots.h"

#include <QFileDialog>

namespace vx {
namespace {

class QtFileDialogs final : public IFileDialogService {
public:
    QStringList Show(const FileDialogRequest& request) override {
        QFileDialog dialog(request.owner, request.title, request.folder);
        dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        if (request.open && request.directory) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
        } else if (request.open) {
            dialog.setFileMode(request.multiple    ? QFileDialog::ExistingFiles
                               : request.mustExist ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
        }
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        if (!request.nameFilters.isEmpty()) {
            dialog.setNameFilters(request.nameFilters);
        }
        if (!request.defaultSuffix.isEmpty()) {
            dialog.setDefaultSuffix(request.defaultSuffix);
        }
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    }
};

QtFileDialogs g_qtDialogs;

} // namespace

IFileDialogService* SetFileDialogService(IFileDialogService* service) {
    return std::exchange(detail::FileDialogServiceSlot(), service);
}

IFileDialogService& CurrentFileDialogService() {
    IFileDialogService* installed = detail::FileDialogServiceSlot();
    return installed ? *installed : g_qtDialogs;
}

} // namespace vx
