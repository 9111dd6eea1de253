#include "ide/framework/message_service.h"

#include "ide/framework/service_slots.h"

#include "platform/sys/wide_string.h"

#include <cstdio>
#include <utility>

namespace vx {
namespace {

// Without a window system the author still reads the text, on standard error.
class StandardErrorMessages final : public IMessageService {
public:
    int Show(const MessageBoxRequest& request) override {
        const std::string caption = Utf16ToUtf8(request.caption);
        const std::string text = Utf16ToUtf8(request.text);
        std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                     text.c_str());
        return IDOK;
    }
};

StandardErrorMessages g_standardError;

} // namespace

IMessageService* SetMessageService(IMessageService* service) {
    return std::exchange(detail::MessageServiceSlot(), service);
}

IMessageService& CurrentMessageService() {
    IMessageService* installed = detail::MessageServiceSlot();
    return installed ? *installed : g_standardError;
}

int AppMessageBox(std::u16string_view text, uint32_t style) {
    return CurrentMessageService().Show(
        {std::u16string(text), {}, style, MessageOwner::Application});
}

int WindowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t style) {
    return CurrentMessageService().Show(
        {std::u16string(text), std::u16string(caption), style, MessageOwner::ActiveWindow});
}

} // namespace vx
