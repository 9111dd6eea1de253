// libFuzzer target: bytes opened as a cabinet by the cabinet service's reader, every member
// extracted into a sink that drops what it is given. Damage must end in a described failure;
// a crash, a sanitizer report or a hang is a finding. Output is capped so that a small input
// claiming huge members cannot run for long.
#include "ide/services/cabinet/cabinet_reader.h"

#include <cstddef>
#include <cstdint>

namespace {
constexpr uint64_t kOutputLimit = 16ull << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vx::cabinet::CabinetReader reader(std::span<const uint8_t>(data, size), kOutputLimit);
    if (reader.Open(u"fuzz.cab")) {
        return 0;
    }
    for (size_t i = 0; i < reader.Members().size(); ++i) {
        (void)reader.FindMember(reader.Members()[i].name);
        (void)reader.Extract(i, u"dropped");
    }
    return 0;
}
