#include "platform/com/hresult.h"
#include "platform/msi/engine/database.h"
#include "platform/msi/engine/installer_errors.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace vx::msi {
namespace {

// What makes two opens read the same bytes: the path as given, the file it names and the
// file's size and modification time.
struct FileIdentity {
    std::u16string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t seconds = 0;
    long nanoseconds = 0;

    friend bool operator<(const FileIdentity& a, const FileIdentity& b) {
        return std::tie(a.path, a.device, a.inode, a.size, a.seconds, a.nanoseconds) <
               std::tie(b.path, b.device, b.inode, b.size, b.seconds, b.nanoseconds);
    }
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> IdentityOf(std::u16string_view path) {
    struct stat info {};
    if (::stat(Utf16ToUtf8(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{std::u16string(path), info.st_dev,         info.st_ino,
                        info.st_size,         info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

// Whether the file's last change lies far enough in the past that another change could not
// carry the same modification time.
bool SettledSince(const FileIdentity& identity) {
    constexpr int64_t kSettleSeconds = 2;
    const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    return now - static_cast<int64_t>(identity.seconds) >= kSettleSeconds;
}

// Opens of an unchanged package share one parse: the IDE opens a package many times for one
// task (the page's tree, its package object, every test of every added file, every label of the
// patch list), and each parse of a large package reads its string pool and builds its lookup
// indexes anew. Besides the databases open now, the few parsed last stay alive after their last
// handle closes, so that open, ask, close in a loop parses once. Everything shared is read-only
// or built under its own lock.
class OpenDatabases {
public:
    static OpenDatabases& Instance() {
        static auto* registry = new OpenDatabases; // never destroyed: handles may outlive main
        return *registry;
    }

    std::shared_ptr<Database> Find(const FileIdentity& identity) {
        std::lock_guard guard(m_lock);
        const auto it = m_open.find(identity);
        std::shared_ptr<Database> found = it == m_open.end() ? nullptr : it->second.lock();
        if (found) {
            Retain(found);
        }
        return found;
    }

    void Remember(const FileIdentity& identity, const std::shared_ptr<Database>& database) {
        std::lock_guard guard(m_lock);
        std::erase_if(m_open, [](const auto& entry) { return entry.second.expired(); });
        m_open[identity] = database;
        Retain(database);
    }

private:
    // Most recent first. A parse of a package changed since is never found again (its identity
    // no longer matches) and leaves as newer ones come.
    void Retain(const std::shared_ptr<Database>& database) {
        std::erase(m_recent, database);
        m_recent.insert(m_recent.begin(), database);
        if (m_recent.size() > kRetained) {
            m_recent.pop_back();
        }
    }

    // A handful: the original package and the odd other one a task reads beside it. A parse of
    // the 50,000-file test package holds about 30 MB.
    static constexpr size_t kRetained = 3;
    std::mutex m_lock;
    std::map<FileIdentity, std::weak_ptr<Database>> m_open;
    std::vector<std::shared_ptr<Database>> m_recent;
};

} // namespace

std::shared_ptr<Database> OpenDatabase(std::u16string_view path) {
    const std::optional<FileIdentity> before = IdentityOf(path);
    if (before) {
        if (auto shared = OpenDatabases::Instance().Find(*before)) {
            return shared;
        }
    }
    try {
        auto database =
            std::make_shared<Database>(std::u16string(path), OpenInstallerStorage(path));
        // A file changed while it was read is not shared: the next open reads it again. Nor is
        // one changed moments ago: file times advance in ticks of several milliseconds, so a
        // second change of the same size within the tick would go unseen.
        if (before && IdentityOf(path) == before && SettledSince(*before)) {
            OpenDatabases::Instance().Remember(*before, database);
        }
        return database;
    } catch (const MsiFailure& failure) {
        // The installer reports every failed open as 2203 with the storage layer's error.
        HRESULT systemError = STG_E_INVALIDHEADER;
        switch (failure.code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            systemError = STG_E_FILENOTFOUND;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            systemError = STG_E_ACCESSDENIED;
            break;
        default:
            break;
        }
        std::vector<std::u16string> fields{std::u16string(path), FormatString(u"%d", systemError)};
        if (!failure.detail.empty()) {
            fields.push_back(failure.detail);
        }
        ThrowMsiFailure(ERROR_OPEN_FAILED, kErrorCannotOpenDatabase, std::move(fields),
                        failure.detail);
    }
}

} // namespace vx::msi
