#include "ide/services/cabinet/mspack_io.h"

#include <mspack.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vx::cabinet {

struct MspackIo::SystemTable {
    mspack_system base; // first, so libmspack's pointer is also ours
    MspackIo* owner;
};

namespace {

// What libmspack calls a file.
struct OpenFile {
    MspackIo* owner;
    int fd = -1;           // a real file
    bool memory = false;   // the in-memory cabinet
    bool sink = false;     // dropped output
    uint64_t position = 0; // memory and sink
};

MspackIo* OwnerOf(mspack_system* self) {
    return reinterpret_cast<MspackIo::SystemTable*>(self)->owner;
}
OpenFile* AsOpen(mspack_file* file) {
    return reinterpret_cast<OpenFile*>(file);
}
mspack_file* AsMspack(OpenFile* file) {
    return reinterpret_cast<mspack_file*>(file);
}

// libmspack reports odd input through messages; the last one is kept for the failure's
// description. A message without a file belongs to the reader working on this thread.
thread_local MspackIo* t_working = nullptr;

mspack_file* Open(mspack_system* self, const char* filename, int mode) {
    MspackIo* owner = OwnerOf(self);
    auto* file = new OpenFile{owner};
    if (owner->InMemory()) {
        if (mode == MSPACK_SYS_OPEN_READ && std::strcmp(filename, kMemoryCabinetName) == 0) {
            file->memory = true;
        } else if (mode == MSPACK_SYS_OPEN_WRITE) {
            file->sink = true;
        } else {
            owner->RecordErrno(ENOENT);
            delete file;
            return nullptr;
        }
        return AsMspack(file);
    }
    int flags = O_CLOEXEC;
    if (mode == MSPACK_SYS_OPEN_READ) {
        flags |= O_RDONLY;
    } else if (mode == MSPACK_SYS_OPEN_WRITE) {
        // A symbolic link planted at the target must not send the bytes elsewhere.
        flags |= O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW;
    } else {
        owner->RecordErrno(EINVAL); // the reader never updates or appends
        delete file;
        return nullptr;
    }
    file->fd = ::open(filename, flags, 0644);
    if (file->fd < 0) {
        owner->RecordErrno(errno);
        delete file;
        return nullptr;
    }
    return AsMspack(file);
}

void Close(mspack_file* handle) {
    OpenFile* file = AsOpen(handle);
    if (file && file->fd >= 0) {
        ::close(file->fd);
    }
    delete file;
}

int Read(mspack_file* handle, void* buffer, int bytes) {
    OpenFile* file = AsOpen(handle);
    if (!file || bytes < 0) {
        return -1;
    }
    if (file->memory) {
        const auto cabinet = file->owner->MemoryCabinet();
        const uint64_t left = file->position < cabinet.size() ? cabinet.size() - file->position : 0;
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(bytes)));
        if (count > 0) {
            std::memcpy(buffer, cabinet.data() + file->position, count);
        }
        file->position += count;
        return static_cast<int>(count);
    }
    if (file->sink) {
        return -1;
    }
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < static_cast<size_t>(bytes)) {
        const ssize_t n = ::read(file->fd, out + done, static_cast<size_t>(bytes) - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            file->owner->RecordErrno(errno);
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

int Write(mspack_file* handle, void* buffer, int bytes) {
    OpenFile* file = AsOpen(handle);
    if (!file || bytes < 0 || file->memory) {
        return -1;
    }
    if (file->sink) {
        file->position += static_cast<uint64_t>(bytes);
        if (file->position > file->owner->OutputLimit()) {
            file->owner->RecordErrno(EFBIG);
            return -1;
        }
        return bytes;
    }
    size_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < static_cast<size_t>(bytes)) {
        const ssize_t n = ::write(file->fd, in + done, static_cast<size_t>(bytes) - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            file->owner->RecordErrno(errno);
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return bytes;
}

int Seek(mspack_file* handle, off_t offset, int mode) {
    OpenFile* file = AsOpen(handle);
    if (!file) {
        return -1;
    }
    if (file->memory || file->sink) {
        const int64_t size = file->memory
                                 ? static_cast<int64_t>(file->owner->MemoryCabinet().size())
                                 : static_cast<int64_t>(file->position);
        int64_t base = 0;
        if (mode == MSPACK_SYS_SEEK_CUR) {
            base = static_cast<int64_t>(file->position);
        } else if (mode == MSPACK_SYS_SEEK_END) {
            base = size;
        } else if (mode != MSPACK_SYS_SEEK_START) {
            return -1;
        }
        const int64_t target = base + static_cast<int64_t>(offset);
        if (target < 0 || (file->memory && target > size)) {
            return -1;
        }
        file->position = static_cast<uint64_t>(target);
        return 0;
    }
    int whence = SEEK_SET;
    if (mode == MSPACK_SYS_SEEK_CUR) {
        whence = SEEK_CUR;
    } else if (mode == MSPACK_SYS_SEEK_END) {
        whence = SEEK_END;
    } else if (mode != MSPACK_SYS_SEEK_START) {
        return -1;
    }
    if (::lseek(file->fd, offset, whence) < 0) {
        file->owner->RecordErrno(errno);
        return -1;
    }
    return 0;
}

off_t Tell(mspack_file* handle) {
    OpenFile* file = AsOpen(handle);
    if (!file) {
        return -1;
    }
    if (file->memory || file->sink) {
        return static_cast<off_t>(file->position);
    }
    return ::lseek(file->fd, 0, SEEK_CUR);
}

__attribute__((format(printf, 2, 3))) void Message(mspack_file* handle, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    OpenFile* file = AsOpen(handle);
    MspackIo* owner = file ? file->owner : t_working;
    if (owner) {
        owner->RecordMessage(text);
    }
}

void* Alloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}
void Free(void* pointer) {
    std::free(pointer);
}
void Copy(void* source, void* destination, size_t bytes) {
    std::memmove(destination, source, bytes);
}

} // namespace

MspackIo::MspackIo()
    : m_system(new SystemTable{
          {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr}, this}) {}

MspackIo::MspackIo(std::span<const uint8_t> cabinet, uint64_t outputLimit) : MspackIo() {
    m_inMemory = true;
    m_cabinet = cabinet;
    m_outputLimit = outputLimit;
}

MspackIo::~MspackIo() {
    Forget();
    delete m_system;
}

mspack_system* MspackIo::System() {
    t_working = this;
    return &m_system->base;
}

void MspackIo::Forget() {
    if (t_working == this) {
        t_working = nullptr;
    }
}

} // namespace vx::cabinet
