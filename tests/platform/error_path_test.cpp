#include "platform/com/class_factory.h"
#include "platform/com/com_exception.h"
#include "platform/com/error_info.h"
#include "platform/sys/system_messages.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vx;

namespace {

constexpr IID kSomeInterface = MakeGuid("{94B47DE6-92F4-442B-9BEF-06FE3BAD95FB}");
constexpr CLSID kSomeClass = MakeGuid("{FD4CCFF8-13A5-44AE-AE27-33D7F91B03FF}");

void Publish(const char16_t* description, const char16_t* source, const IID& iid) {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.ReleaseAndGetAddressOf()), S_OK);
    create->SetDescription(description);
    create->SetSource(source);
    create->SetGUID(iid);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(create.As(info), S_OK);
    ASSERT_EQ(SetErrorInfo(0, info.Get()), S_OK);
}

CComException Caught(HRESULT hr) {
    try {
        ThrowIfFailed(hr);
    } catch (const CComException& e) {
        return e;
    }
    ADD_FAILURE() << "ThrowIfFailed did not throw for " << hr;
    return CComException(com_exception(hr, u""));
}

} // namespace

TEST(ErrorPath, PublishedErrorInformationBecomesTheExceptionAndIsConsumed) {
    RegisterProgId(u"Vx.AppServices.1", kSomeClass);
    Publish(u"The log folder is missing.", u"vx.appservices.1", kSomeInterface);

    const CComException e = Caught(E_FAIL);
    EXPECT_EQ(e.hr(), E_FAIL);
    EXPECT_EQ(e.Description(), u"The log folder is missing.");
    EXPECT_EQ(e.Error().source, u"vx.appservices.1");
    EXPECT_EQ(e.Error().iid, kSomeInterface);
    EXPECT_EQ(e.Error().clsid, kSomeClass); // ProgIDs compare without regard to case

    // Reading the information took it away: the next failure falls back to the system text.
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.ReleaseAndGetAddressOf()), S_FALSE);
    EXPECT_FALSE(left);
    EXPECT_EQ(Caught(E_FAIL).Description(), u"Unspecified error\r\n");
}

TEST(ErrorPath, UnknownSourceLeavesClsidNull) {
    Publish(u"x", u"No.Such.ProgId", GUID_NULL);
    const CComException e = Caught(E_UNEXPECTED);
    EXPECT_EQ(e.Error().clsid, GUID_NULL);
    EXPECT_EQ(e.Error().source, u"No.Such.ProgId");
}

TEST(ErrorPath, WithoutErrorInformationTheSystemTextOrUnknownError) {
    // Worded and ended as Windows does; "%1" is left as written.
    const std::pair<HRESULT, std::u16string> texts[] = {
        {E_HANDLE, u"The handle is invalid.\r\n"},
        {HRESULT_FROM_WIN32(1628), u"Invalid or unknown table specified.\r\n"},
        {REGDB_E_CLASSNOTREG, u"Class not registered\r\n"},
        {MakeHResult(0x80070005), u"Access is denied.\r\n"},
        {MakeHResult(0x80070103), u"No more data is available.\r\n"},
        {HRESULT_FROM_WIN32(193), u"%1 is not a valid Win32 application.\r\n"},
        {MakeHResult(0x8004ABCD), u"Unknown error"},
        {MakeHResult(0x80071234), u"Unknown error"},
    };
    for (const auto& [hr, text] : texts) {
        EXPECT_EQ(Caught(hr).Description(), text) << std::hex << hr;
    }
    EXPECT_EQ(SystemMessageText(5), u"Access is denied.\r\n"); // a plain Win32 code
    EXPECT_FALSE(SystemMessageText(9999).has_value());
    const CComException unknown = Caught(MakeHResult(0x8004ABCD));
    EXPECT_TRUE(unknown.Error().source.empty());
    EXPECT_EQ(unknown.Error().iid, GUID_NULL);
}

TEST(ErrorPath, SuccessCodesDoNotThrow) {
    EXPECT_NO_THROW(ThrowIfFailed(S_OK));
    EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));
    CheckedHResult hr;
    EXPECT_NO_THROW(hr = S_FALSE);
    EXPECT_EQ(static_cast<HRESULT>(hr), S_FALSE);
    EXPECT_THROW(hr = E_POINTER, CException);
    EXPECT_EQ(static_cast<HRESULT>(hr), S_FALSE); // a failed assignment leaves the old value
}

TEST(ErrorPath, ErrorInformationIsPerThread) {
    Publish(u"main thread", u"", GUID_NULL);
    std::u16string seenElsewhere;
    std::thread([&] { seenElsewhere = Caught(E_FAIL).Description(); }).join();
    EXPECT_EQ(seenElsewhere, u"Unspecified error\r\n");
    EXPECT_EQ(Caught(E_FAIL).Description(), u"main thread");
}

TEST(ErrorPath, PublishedDescriptionTravelsThroughCException) {
    try {
        PublishErrorDescription(u"Windows Installer Error 1628: x\nMsiOpenDatabaseView()");
        ThrowIfFailed(HRESULT_FROM_WIN32(1628));
        FAIL() << "no exception";
    } catch (const CException& e) {
        char16_t buffer[512];
        EXPECT_TRUE(e.GetErrorMessage(buffer, 512));
        EXPECT_EQ(std::u16string(buffer),
                  u"Windows Installer Error 1628: x\nMsiOpenDatabaseView()");
    }
}

TEST(GetErrorMessage, CutsToTheBufferAndTerminates) {
    const CComException e(com_exception(E_FAIL, u"Access is denied.\n"));
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    uint32_t helpContext = 77;
    EXPECT_TRUE(e.GetErrorMessage(buffer, 8, &helpContext));
    EXPECT_EQ(std::u16string(buffer), u"Access ");
    EXPECT_EQ(helpContext, 77u);

    char16_t one[1] = {u'#'};
    EXPECT_TRUE(e.GetErrorMessage(one, 1));
    EXPECT_EQ(one[0], 0);

    char16_t exact[19];
    EXPECT_TRUE(e.GetErrorMessage(exact, 19));
    EXPECT_EQ(std::u16string(exact), u"Access is denied.\n");

    EXPECT_TRUE(e.GetErrorMessage(nullptr, 0)); // nothing to write into: nothing written
}

TEST(GetErrorMessage, TheBaseHasNoMessage) {
    struct Plain : CException {};
    char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_FALSE(Plain().GetErrorMessage(buffer, 4));
    EXPECT_EQ(buffer[0], 0);
}
