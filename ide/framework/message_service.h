#pragma once
// Message boxes without a window system: code that must tell the author something asks the
// process's message service, which the IDE fills with its windowed implementation and tests
// with a scripted one. Without one installed, messages go to standard error and answer OK.

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// Button and icon styles and answers, with Windows' values.
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class MessageOwner {
    Application,  // the application's own box (caption: the application's name)
    ActiveWindow, // owned by the window that is active now
};

struct MessageBoxRequest {
    std::u16string text;
    std::u16string caption; // empty: the application's name
    uint32_t style = MB_OK;
    MessageOwner owner = MessageOwner::Application;
};

class IMessageService {
public:
    // Shows the box and answers the button chosen (IDOK, IDCANCEL, ...).
    virtual int Show(const MessageBoxRequest& request) = 0;

protected:
    ~IMessageService() = default;
};

// Installs `service` for the process (null restores the standard-error default) and answers the
// one it replaces. The caller keeps ownership and must keep it alive while installed.
IMessageService* SetMessageService(IMessageService* service);
IMessageService& CurrentMessageService();

// A box with the application's name as caption, as the host framework's own message box.
int AppMessageBox(std::u16string_view text, uint32_t style);
// A box owned by the active window, with the given caption.
int WindowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style);

} // namespace vx
