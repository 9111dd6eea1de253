#pragma once
// The message service of a program with windows (message_service.h): message boxes as Qt's,
// owned by the active window. The program installs it with SetMessageService.

#include "ide/framework/message_service.h"

namespace vx {

class CQtMessageService final : public IMessageService {
public:
    int Show(const MessageBoxRequest& request) override;
};

} // namespace vx
