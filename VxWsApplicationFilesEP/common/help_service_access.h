#pragma once
// How a page reaches the IDE's help service: the help object manager of "VXObjMgr.dll" is an
// IDispatch whose property "pApp" holds an object offering IHelpService.

#include "ide/services/interfaces/help_service.h"

#include <string_view>

namespace vx {

// The help service, or null when the manager has no positive dispatch id for "pApp" or the
// property holds no object. Every failure on the way raises (CComException); an answer that is
// not an object reference raises E_UNEXPECTED.
ComPtr<IHelpService> GetHelpService();

// Shows `topic` through the help service for `ownerWindow`. False when there is no service
// (nothing is shown); a failure of the service raises.
bool ShowHelpTopic(std::u16string_view topic, void* ownerWindow);

} // namespace vx
