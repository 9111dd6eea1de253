#include "VxWsApplicationFilesEP/forms/register_forms.h"

#include "VxWsApplicationFilesEP/forms/file_attributes_form.h"
#include "VxWsApplicationFilesEP/forms/file_attributes_org_form.h"
#include "VxWsApplicationFilesEP/forms/new_file_form.h"

namespace vx {

void RegisterAttributeForms() {
    RegisterPageForm(PageFormSlot::ModifiedFile,
                     [] { return std::make_unique<CFileAttributesForm>(); });
    RegisterPageForm(PageFormSlot::NewFile, [] { return std::make_unique<CNewFileForm>(); });
    RegisterPageForm(PageFormSlot::OriginalFile,
                     [] { return std::make_unique<CFileAttributesOrgForm>(); });
}

} // namespace vx
