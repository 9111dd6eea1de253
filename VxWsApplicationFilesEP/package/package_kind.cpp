#include "VxWsApplicationFilesEP/package/package_kind.h"

#include "platform/com/com_exception.h"
#include "platform/sys/file_handle.h"
#include "platform/sys/format_string.h"
#include "platform/sys/little_endian.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vx {
namespace {

constexpr std::array<uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderBytes = 512;
constexpr size_t kEntryBytes = 128;
constexpr size_t kSectorShiftAt = 0x1E;
constexpr size_t kFirstDirectorySectorAt = 0x30;
constexpr size_t kEntryTypeAt = 0x42;
constexpr size_t kEntryClassAt = 0x50;
constexpr uint8_t kRootEntryType = 5;
// The installer's classes end alike: {000C10xx-0000-0000-C000-000000000046}, stored little-endian.
constexpr std::array<uint8_t, 14> kInstallerClassTail = {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,
                                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

bool ReadAt(FileHandle& file, uint64_t offset, std::vector<uint8_t>& bytes) {
    if (!file.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin)) {
        return false;
    }
    size_t filled = 0;
    while (filled < bytes.size()) {
        const auto got = file.Read(bytes.data() + filled, bytes.size() - filled);
        if (!got || *got == 0) {
            return false;
        }
        filled += *got;
    }
    return true;
}

constexpr char16_t kWhatIsExpected[] =
    u" The original package of a patch project is the .msi that installed the product.";

} // namespace

InstallerFileKind ClassifyInstallerFile(std::u16string_view path) {
    FileHandle file;
    if (!file.Open(path, Access::Read, Creation::OpenExisting)) {
        return InstallerFileKind::Unreadable;
    }
    std::vector<uint8_t> header(kHeaderBytes);
    if (!ReadAt(file, 0, header) ||
        !std::equal(kSignature.begin(), kSignature.end(), header.begin())) {
        return InstallerFileKind::NotCompoundFile;
    }
    const uint16_t shift = ReadLe16(header, kSectorShiftAt);
    if (shift != 9 && shift != 12) {
        return InstallerFileKind::NotCompoundFile;
    }
    const uint64_t directory =
        (static_cast<uint64_t>(ReadLe32(header, kFirstDirectorySectorAt)) + 1) << shift;
    std::vector<uint8_t> root(kEntryBytes);
    if (!ReadAt(file, directory, root) || root[kEntryTypeAt] != kRootEntryType) {
        return InstallerFileKind::NotCompoundFile;
    }
    const std::span<const uint8_t> id(root.data() + kEntryClassAt, 16);
    if (id[1] != 0x10 ||
        !std::equal(kInstallerClassTail.begin(), kInstallerClassTail.end(), id.begin() + 2)) {
        return InstallerFileKind::OtherCompoundFile;
    }
    switch (id[0]) {
    case 0x84:
        return InstallerFileKind::Database;
    case 0x86:
        return InstallerFileKind::Patch;
    case 0x82:
        return InstallerFileKind::Transform;
    default:
        return InstallerFileKind::OtherCompoundFile;
    }
}

std::u16string WrongPackageKindText(std::u16string_view path, InstallerFileKind kind) {
    const std::u16string name(path);
    switch (kind) {
    case InstallerFileKind::Database:
    case InstallerFileKind::Unreadable:
        return {};
    case InstallerFileKind::MergeModule:
        return FormatString(u"\"%s\" is a merge module (.msm): it is merged into other setups and "
                            u"installs no product of its own.",
                            name) +
               kWhatIsExpected;
    case InstallerFileKind::Patch:
        return FormatString(u"\"%s\" is a patch package (.msp), not an installer database.", name) +
               kWhatIsExpected;
    case InstallerFileKind::Transform:
        return FormatString(u"\"%s\" is a transform (.mst), not an installer database.", name) +
               kWhatIsExpected;
    case InstallerFileKind::OtherCompoundFile:
        return FormatString(u"\"%s\" is a compound file of another program, not a Windows "
                            u"Installer package.",
                            name);
    case InstallerFileKind::NotCompoundFile:
        break;
    }
    return FormatString(u"\"%s\" is not a Windows Installer package: it is not a compound file, as "
                        u"every .msi is.",
                        name);
}

void RequireOriginalPackageKind(MSIHANDLE database, std::u16string_view path) {
    InstallerFileKind kind = InstallerFileKind::Database;
    if (database == 0) {
        kind = ClassifyInstallerFile(path);
    } else if (MsiDatabaseIsTablePersistentW(database, u"ModuleSignature") == MSICONDITION_TRUE) {
        kind = InstallerFileKind::MergeModule;
    } else if (MsiDatabaseIsTablePersistentW(database, u"File") != MSICONDITION_TRUE) {
        kind = ClassifyInstallerFile(path);
    }
    const std::u16string text = WrongPackageKindText(path, kind);
    if (!text.empty()) {
        throw CComException(com_exception(E_FAIL, text));
    }
}

} // namespace vx
