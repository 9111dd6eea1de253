#pragma once
// What a call raised as CComException, for tests of the failures the page's callers see.

#include "platform/com/com_exception.h"

#include <string>
#include <string_view>

namespace vx::testing {

struct Raised {
    HRESULT hr = S_OK; // S_OK when nothing was raised
    std::u16string description;
    bool Mentions(std::u16string_view part) const {
        return description.find(part) != std::u16string::npos;
    }
};

template <class Action> Raised RaisedBy(Action&& action) {
    try {
        action();
    } catch (const CComException& failure) {
        return {failure.hr(), failure.Description()};
    }
    return {};
}

} // namespace vx::testing
