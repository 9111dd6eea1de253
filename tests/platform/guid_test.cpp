#include "platform/com/class_factory.h"
#include "platform/com/guid.h"

#include <gtest/gtest.h>

#include <set>

using namespace vx;

// Lower-case digits parse too (the help object manager's class is written so); the registry
// form is upper case.
TEST(Guid, RoundTripsThroughTheRegistryForm) {
    const std::pair<std::u16string, std::u16string> texts[] = {
        {u"{978E513A-2F36-4A7C-B71A-7E3870409A3F}", u"{978E513A-2F36-4A7C-B71A-7E3870409A3F}"},
        {u"{00000000-0000-0000-0000-000000000000}", u"{00000000-0000-0000-0000-000000000000}"},
        {u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", u"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
        {u"{DE5FBA5D-8AB0-4a53-B620-F2065702D228}", u"{DE5FBA5D-8AB0-4A53-B620-F2065702D228}"}};
    for (const auto& [text, formatted] : texts) {
        const auto guid = ParseGuid(text);
        ASSERT_TRUE(guid.has_value()) << std::string(text.begin(), text.end());
        EXPECT_EQ(FormatGuid(*guid), formatted);
    }
}

TEST(Guid, FieldsAreReadInRegistryOrder) {
    const GUID g = *ParseGuid(u"{01234567-89AB-CDEF-0123-456789ABCDEF}");
    EXPECT_EQ(g.Data1, 0x01234567u);
    EXPECT_EQ(g.Data2, 0x89ABu);
    EXPECT_EQ(g.Data3, 0xCDEFu);
    const uint8_t tail[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_TRUE(std::equal(std::begin(tail), std::end(tail), g.Data4));
    EXPECT_EQ(MakeGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}"), g);
}

TEST(Guid, MalformedTextIsRefused) {
    const std::u16string bad[] = {
        u"",
        u"978E513A-2F36-4A7C-B71A-7E3870409A3F",
        u"{978E513A-2F36-4A7C-B71A-7E3870409A3}",
        u"{978E513A-2F36-4A7C-B71A-7E3870409A3FF}",
        u"{978E513A+2F36-4A7C-B71A-7E3870409A3F}",
        u"{978E513G-2F36-4A7C-B71A-7E3870409A3F}",
        u"(978E513A-2F36-4A7C-B71A-7E3870409A3F)",
    };
    for (const auto& text : bad) {
        EXPECT_FALSE(ParseGuid(text).has_value()) << std::string(text.begin(), text.end());
    }
    CLSID clsid = MakeGuid("{978E513A-2F36-4A7C-B71A-7E3870409A3F}");
    EXPECT_EQ(CLSIDFromString(u"not a guid", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, GUID_NULL);
}

TEST(Guid, OrderingAndHashingDistinguishEveryField) {
    std::set<GUID> ordered;
    std::set<size_t> hashes;
    GUID g{};
    for (int field = 0; field < 11; ++field) {
        GUID h = g;
        if (field == 0) {
            h.Data1 = 1;
        } else if (field == 1) {
            h.Data2 = 1;
        } else if (field == 2) {
            h.Data3 = 1;
        } else {
            h.Data4[field - 3] = 1;
        }
        ordered.insert(h);
        hashes.insert(GuidHash{}(h));
    }
    EXPECT_EQ(ordered.size(), 11u);
    EXPECT_EQ(hashes.size(), 11u);
}

namespace {
struct IGreeter : IUnknown {
    static constexpr IID kIid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    virtual int Greet() = 0;
};
class Greeter final : public ComObject<Greeter, IGreeter> {
public:
    int Greet() override { return 7; }
};
constexpr CLSID kGreeterClass = MakeGuid("{11111111-2222-3333-4444-666666666666}");
} // namespace

TEST(ClassRegistry, CreatesRegisteredClassesAndRefusesOthers) {
    RegisterClassObject(kGreeterClass, MakeComObject<SimpleClassFactory<Greeter>>().Get());
    ComPtr<IGreeter> greeter;
    ASSERT_EQ(CoCreateInstance(kGreeterClass, nullptr, CLSCTX_INPROC_SERVER, IGreeter::kIid,
                               greeter.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(greeter->Greet(), 7);

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(greeter.As(unknown), S_OK);
    ComPtr<IClassFactory> wrong;
    EXPECT_EQ(unknown.As(wrong), E_NOINTERFACE);
    EXPECT_FALSE(wrong);

    EXPECT_EQ(CoCreateInstance(MakeGuid("{99999999-2222-3333-4444-666666666666}"), nullptr,
                               CLSCTX_INPROC_SERVER, IGreeter::kIid,
                               greeter.ReleaseAndGetVoidAddress()),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(greeter);
    RegisterClassObject(kGreeterClass, nullptr);
}

TEST(ClassRegistry, UnknownProgIdIsAnInvalidClassString) {
    CLSID clsid = kGreeterClass;
    EXPECT_EQ(CLSIDFromProgID(u"Nobody.Here.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, GUID_NULL);
    EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
}
