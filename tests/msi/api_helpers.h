#pragma once
// A handle closed at the end of its scope and a field's text, for the tests that call the C API.

#include "platform/msi/msi_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::testing {

struct Handle {
    MSIHANDLE h = 0;
    ~Handle() { MsiCloseHandle(h); }
};

// The text of a field, asked for the size first as callers do; the two answers must agree.
inline std::u16string FieldText(MSIHANDLE record, UINT field) {
    MsiDWORD size = 0;
    EXPECT_EQ(MsiRecordGetStringW(record, field, nullptr, &size), ERROR_SUCCESS);
    std::vector<char16_t> buffer(size_t{size} + 1);
    MsiDWORD room = size + 1;
    EXPECT_EQ(MsiRecordGetStringW(record, field, buffer.data(), &room), ERROR_SUCCESS);
    EXPECT_EQ(room, size);
    return std::u16string(buffer.data(), size);
}

} // namespace vx::testing
