#pragma once
// The read-only form of a file of the original setup (template 214): its name, key,
// destination, version and language, and its component with the component's key file.

#include "VxWsApplicationFilesEP/forms/patch_attribute_form.h"

namespace vx {

inline constexpr char16_t kFileAttributesOrgFormUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\FileAttributesOrgForm";
inline constexpr int kFileAttributesOrgFormInitLine = 70;

class CFileAttributesOrgForm final : public CPatchAttributeForm {
    Q_OBJECT

public:
    CFileAttributesOrgForm();

    void ShowFile(const std::u16string& fileKey) override;

protected:
    // Shown again: the package is read afresh.
    void OnShowWindow(bool show) override;
};

} // namespace vx
