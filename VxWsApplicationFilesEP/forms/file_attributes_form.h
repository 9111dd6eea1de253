#pragma once
// The form of a patch entry that updates or deletes a file of the original setup (template
// 207): what the original package says about the file, the updated file on disk and its
// version, the whole-file and COM options, and the option to delete the file instead.

#include "VxWsApplicationFilesEP/forms/patch_attribute_form.h"

namespace vx {

inline constexpr char16_t kFileAttributesFormUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\FileAttributesForm";
inline constexpr int kFileAttributesFormInitLine = 78;

class CFileAttributesForm final : public CPatchAttributeForm {
    Q_OBJECT

public:
    CFileAttributesForm();

    // Fills every control from the entry and the original package.
    void ShowFile(const std::u16string& fileKey) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnCommand(UINT id, UINT notifyCode) override;
    // Shown again (the author comes back to the page or the pane): everything is read afresh.
    void OnShowWindow(bool show) override;

private:
    // The updated file's path, its browse button and the whole-file option; the COM and delete
    // options stay enabled.
    void EnableEditing(bool enable);
    void CommitNewFilePath();
    void Browse();
    void DeleteOptionChanged();
};

} // namespace vx
