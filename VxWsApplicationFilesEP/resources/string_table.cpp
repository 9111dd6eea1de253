#include "VxWsApplicationFilesEP/resources/string_table.h"

#include <array>
#include <utility>

namespace vx {
namespace {

constexpr std::array<std::pair<uint32_t, std::u16string_view>, 14> kStrings = {{
    {IDS_CONTROL_TYPE_NAME, u"VxWsApplicationFilesEP Control"},
    {IDS_ORIGINAL_SETUP_FILES, u"Original Setup Files"},
    {IDS_FILES_TO_PATCH, u"Files To Patch"},
    {IDS_SAME_FILE_TWICE, u"You cannot add the same file to the Patch Files list."},
    {IDS_COLUMN_NAME, u"Name"},
    {IDS_COLUMN_DESTINATION, u"Destination"},
    {IDS_FILE_NOT_IN_ORIGINAL, u"File Not Found In Original Setup"},
    {IDS_NO_FILE_VERSION, u"Unable to determine File Version"},
    {IDS_ALL_FILES_FILTER, u"All Files (*.*)|**|"},
    {IDS_ORIGINAL_PACKAGE_MISSING,
     u"Unable to locate the original setup package %s.  Kestrom views will not function "
     u"properly until this reference is restored."},
    {IDS_COLUMN_FILE_KEY, u"File Key"},
    {IDS_COLUMN_COMPONENT, u"Component"},
    {IDS_NEW_FILE_REGISTRATION_WARNING,
     u"The new file %s is marked as self-registering or for COM information extraction. The "
     u"patch will then add rows to the SelfReg, Class, TypeLib or similar tables, and Windows "
     u"Installer cannot uninstall a patch that adds such rows. Leave both settings off if the "
     u"patch must be removable."},
    {IDS_NEW_FILE_REGISTRATION_NOTE,
     u"Windows Installer cannot uninstall a patch that adds a self-registering file or COM "
     u"information. Leave both boxes clear if the patch must be removable."},
}};

} // namespace

std::u16string_view LoadStringResource(uint32_t id) {
    for (const auto& [key, text] : kStrings) {
        if (key == id) {
            return text;
        }
    }
    return {};
}

} // namespace vx
