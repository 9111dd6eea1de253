#pragma once
// One cabinet file read through libmspack (MSZIP, LZX, Quantum and stored folders). Every
// failure answers an HRESULT with a description that names the cabinet and says what is wrong;
// nothing is thrown. A cabinet shorter than its header says is refused at Open, since libmspack
// would otherwise open it and fail only when a member's data is missing.

#include "ide/services/cabinet/mspack_io.h"
#include "platform/com/hresult.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct mscab_decompressor;
struct mscabd_cabinet;
struct mscabd_file;

namespace vx::cabinet {

struct Failure {
    HRESULT hr;
    std::u16string description;
};

struct Member {
    std::string name; // UTF-8, as the cabinet stores it (converted by libmspack)
    uint64_t size = 0;
    unsigned folder = 0; // index of its folder in the cabinet
    uint64_t offset = 0; // within the folder's uncompressed data
    mscabd_file* file = nullptr;
};

class CabinetReader {
public:
    // Reads files on this machine.
    CabinetReader();
    // Reads one cabinet from memory and drops what it extracts (at most `outputLimit` bytes a
    // member); for fuzzing.
    CabinetReader(std::span<const uint8_t> cabinet, uint64_t outputLimit);
    ~CabinetReader();
    CabinetReader(const CabinetReader&) = delete;
    CabinetReader& operator=(const CabinetReader&) = delete;

    // Opens the cabinet at `path` (UTF-8; ignored in memory). A reader opens one cabinet once.
    std::optional<Failure> Open(const std::u16string& path);

    // The members sorted by folder and offset: taking them in this order decompresses each
    // folder once.
    const std::vector<Member>& Members() const { return m_members; }
    // Index of the member named exactly `name`, else of one named so without regard to ASCII
    // case, else nullopt.
    std::optional<size_t> FindMember(const std::string& name) const;

    // Writes member `index` to `targetPath` (a symbolic link there is not followed). A failed
    // extraction removes the partial file.
    std::optional<Failure> Extract(size_t index, const std::u16string& targetPath);

    const std::u16string& Path() const { return m_path; }

private:
    Failure OpenFailure(int error) const;
    Failure ExtractFailure(int error, const Member& member, const std::u16string& target) const;

    std::unique_ptr<MspackIo> m_io;
    mscab_decompressor* m_decompressor = nullptr;
    mscabd_cabinet* m_cabinet = nullptr;
    std::u16string m_path;
    std::string m_nativePath; // must outlive the open cabinet
    std::vector<Member> m_members;
};

// The Win32-facility HRESULT for an errno value.
HRESULT HResultFromErrno(int error);

} // namespace vx::cabinet
