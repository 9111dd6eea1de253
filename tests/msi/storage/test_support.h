#pragma once
// Shared helpers of the storage tests.

#include "platform/msi/msi_failure.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::msi::test {

// Runs `action` and checks that it fails with `code` and a detail containing `fragment`.
template <class Action>
void ExpectFailure(Action&& action, Win32Error code, std::string_view fragment) {
    try {
        action();
        ADD_FAILURE() << "expected a failure mentioning '" << fragment << "'";
    } catch (const MsiFailure& failure) {
        EXPECT_EQ(failure.code, code);
        const std::string detail = Utf16ToUtf8(failure.detail);
        EXPECT_NE(detail.find(fragment), std::string::npos) << "detail: " << detail;
    }
}

template <class Action> void ExpectDamaged(Action&& action, std::string_view fragment) {
    ExpectFailure(std::forward<Action>(action), ERROR_INSTALL_PACKAGE_INVALID, fragment);
}

inline std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace vx::msi::test
