#pragma once
// The I/O that libmspack is given: real files (the cabinet read-only; members written without
// following a symbolic link at the target) or, for fuzzing, one cabinet in memory whose members
// are counted and dropped.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct mspack_system;

namespace vx::cabinet {

// The name under which the in-memory system offers its cabinet.
inline constexpr char kMemoryCabinetName[] = "<memory cabinet>";

class MspackIo {
public:
    // Files on this machine.
    MspackIo();
    // One cabinet in memory (kept by the caller); anything written is dropped, and a member
    // whose output passes `outputLimit` bytes fails as a write error.
    MspackIo(std::span<const uint8_t> cabinet, uint64_t outputLimit);
    ~MspackIo();
    MspackIo(const MspackIo&) = delete;
    MspackIo& operator=(const MspackIo&) = delete;

    // The system to hand to libmspack; also makes this the reader working on this thread, so
    // that messages libmspack reports without a file reach it.
    mspack_system* System();
    void Forget();

    // The errno of the last open, read or write that failed (0 when none), and the last text
    // libmspack reported; both cleared by ClearLast.
    int LastErrno() const { return m_lastErrno; }
    const std::string& LastMessage() const { return m_lastMessage; }
    void ClearLast() {
        m_lastErrno = 0;
        m_lastMessage.clear();
    }

    // Used by the callbacks.
    void RecordErrno(int error) { m_lastErrno = error; }
    void RecordMessage(std::string text) { m_lastMessage = std::move(text); }
    bool InMemory() const { return m_inMemory; }
    std::span<const uint8_t> MemoryCabinet() const { return m_cabinet; }
    uint64_t OutputLimit() const { return m_outputLimit; }

    struct SystemTable; // libmspack's function table with a pointer back here

private:
    SystemTable* m_system;
    bool m_inMemory = false;
    std::span<const uint8_t> m_cabinet;
    uint64_t m_outputLimit = 0;
    int m_lastErrno = 0;
    std::string m_lastMessage;
};

} // namespace vx::cabinet
