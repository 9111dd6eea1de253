#pragma once
// The one routine every catch site hands its failure to. Errors whose code (the HRESULT's low
// word) lies from 2000 to 2199 are meant for the author and shown in a message box; everything
// else goes to the IDE's diagnostic log "vxide.log", or to a message box when even the log
// cannot be written.

#include "platform/com/com_exception.h"

#include <cstdint>
#include <string_view>

namespace vx {

inline constexpr char16_t kLogFileName[] = u"vxide.log";
inline constexpr uint32_t kMessageBufferChars = 512;
inline constexpr uint64_t kLogTrimThreshold = 20000; // bytes after the new entry
inline constexpr uint64_t kLogKeptBytes = 10000;
inline constexpr char16_t kLogFallbackText[] =
    u"Unknown exception encountered when trying to log exception";

// `sourceUnit` is the reporting site's unit path, e.g.
// FrontEnd\Views\Kestrom\VxWsApplicationFilesEP\PatchFileTree, and `line` its line. A failure to
// create the application-services object is raised out of here as CComException.
void ReportException(std::u16string_view sourceUnit, int line, const CException& exception);

// Appends "<unit> <line>: <message>\r\n" (UTF-16LE, no byte-order mark) to the log, where the
// message is the shared message buffer without one final line feed, and keeps the file near
// 20,000 bytes at most. False when the log folder, the path or the file is not available.
bool WriteLogEntry(std::u16string_view sourceUnit, int line);

// The process's shared message buffer (512 UTF-16 units, zero-terminated) that ReportException
// fills and WriteLogEntry reads. User-interface thread only.
char16_t* SharedMessageBuffer();

} // namespace vx
