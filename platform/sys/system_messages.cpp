#include "platform/sys/system_messages.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace vx {
namespace {

using Entry = std::pair<uint32_t, std::u16string_view>;

constexpr auto kWin32Texts = std::to_array<Entry>({
    {0, u"The operation completed successfully."},
    {1, u"Incorrect function."},
    {2, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {4, u"The system cannot open the file."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough memory resources are available to process this command."},
    {13, u"The data is invalid."},
    {14, u"Not enough memory resources are available to complete this operation."},
    {21, u"The device is not ready."},
    {29, u"The system cannot write to the specified device."},
    {30, u"The system cannot read from the specified device."},
    {32, u"The process cannot access the file because it is being used by another process."},
    {33, u"The process cannot access the file because another process has locked a portion of "
         u"the file."},
    {38, u"Reached the end of the file."},
    {50, u"The request is not supported."},
    {80, u"The file exists."},
    {87, u"The parameter is incorrect."},
    {110, u"The system cannot open the device or file specified."},
    {112, u"There is not enough space on the disk."},
    {122, u"The data area passed to a system call is too small."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {126, u"The specified module could not be found."},
    {127, u"The specified procedure could not be found."},
    {131, u"An attempt was made to move the file pointer before the beginning of the file."},
    {145, u"The directory is not empty."},
    {161, u"The specified path is invalid."},
    {183, u"Cannot create a file when that file already exists."},
    {193, u"%1 is not a valid Win32 application."},
    {206, u"The filename or extension is too long."},
    {234, u"More data is available."},
    {259, u"No more data is available."},
    {267, u"The directory name is invalid."},
    {1004, u"Invalid flags."},
    {1006, u"The volume for a file has been externally altered so that the opened file is no "
           u"longer valid."},
    {1168, u"Element not found."},
    {1603, u"Fatal error during installation."},
    {1608, u"Unknown property."},
    {1609, u"Handle is in an invalid state."},
    {1615, u"SQL query syntax invalid or unsupported."},
    {1616, u"Record field does not exist."},
    {1619, u"This installation package could not be opened. Verify that the package exists and "
           u"that you can access it, or contact the application vendor to verify that this is a "
           u"valid Windows Installer package."},
    {1620, u"This installation package could not be opened. Contact the application vendor to "
           u"verify that this is a valid Windows Installer package."},
    {1626, u"Function could not be executed."},
    {1627, u"Function failed during execution."},
    {1628, u"Invalid or unknown table specified."},
    {1629, u"Data supplied is of wrong type."},
    {1630, u"Data of this type is not supported."},
    {1631, u"The Windows Installer service failed to start. Contact your support personnel."},
    {1804, u"The specified datatype is invalid."},
    {1812, u"The specified image file did not contain a resource section."},
    {1813, u"The specified resource type cannot be found in the image file."},
});

constexpr auto kHResultTexts = std::to_array<Entry>({
    {0x80004001, u"Not implemented"},
    {0x80004002, u"No such interface supported"},
    {0x80004003, u"Invalid pointer"},
    {0x80004004, u"Operation aborted"},
    {0x80004005, u"Unspecified error"},
    {0x8000FFFF, u"Catastrophic failure"},
    {0x80020003, u"Member not found."},
    {0x80020005, u"Type mismatch."},
    {0x80020006, u"Unknown name."},
    {0x8002000E, u"Invalid number of parameters."},
    {0x80030001, u"Unable to perform requested operation."},
    {0x80030002, u"%1 could not be found."},
    {0x80030005, u"Access Denied."},
    {0x80030008, u"There is insufficient memory available to complete operation."},
    {0x80030009, u"Invalid pointer error."},
    {0x80030019, u"An error occurred during a seek operation."},
    {0x8003001D, u"A disk error occurred during a write operation."},
    {0x8003001E, u"A disk error occurred during a read operation."},
    {0x80030050, u"%1 already exists."},
    {0x80030057, u"Invalid parameter error."},
    {0x80030070, u"There is insufficient disk space to complete operation."},
    {0x80040110, u"Class does not support aggregation (or class object is remote)"},
    {0x80040111, u"ClassFactory cannot supply requested class"},
    {0x80040154, u"Class not registered"},
    {0x800401F3, u"Invalid class string"},
});

template <size_t N>
std::optional<std::u16string> Find(const std::array<Entry, N>& table, uint32_t id) {
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const Entry& e, uint32_t v) { return e.first < v; });
    if (it == table.end() || it->first != id) {
        return std::nullopt;
    }
    std::u16string text(it->second);
    text += u"\r\n";
    return text;
}

constexpr bool IsSorted(const auto& table) {
    for (size_t i = 1; i < table.size(); ++i) {
        if (!(table[i - 1].first < table[i].first)) {
            return false;
        }
    }
    return true;
}
static_assert(IsSorted(kWin32Texts) && IsSorted(kHResultTexts), "tables are binary-searched");

} // namespace

std::optional<std::u16string> SystemMessageText(uint32_t id) {
    constexpr uint32_t kWin32FacilityMask = 0xFFFF0000;
    constexpr uint32_t kWin32Facility = 0x80070000;
    if ((id & kWin32FacilityMask) == kWin32Facility) {
        return Find(kWin32Texts, id & 0xFFFF);
    }
    if (id <= 0xFFFF) {
        return Find(kWin32Texts, id);
    }
    return Find(kHResultTexts, id);
}

} // namespace vx
