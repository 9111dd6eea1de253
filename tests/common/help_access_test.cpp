// Reaching the help service through the build's help object manager, with a recording viewer
// standing in for the IDE's help window.

#include "VxWsApplicationFilesEP/common/help_service_access.h"
#include "ide/framework/service_object_loader.h"
#include "platform/com/com_exception.h"

#include "support/com_failure.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vx;

namespace {

class RecordingViewer final : public ComObject<RecordingViewer, IHelpTopicViewer> {
public:
    HRESULT ShowTopic(BSTR topic, void* owner) override {
        topics.emplace_back(topic, SysStringLen(topic));
        owners.push_back(owner);
        return S_OK;
    }
    std::vector<std::u16string> topics;
    std::vector<void*> owners;
};

ComPtr<IDispatch> HelpManager() {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromString(kHelpManagerClassText, &clsid), S_OK);
    ComPtr<IDispatch> manager;
    EXPECT_EQ(CreateServiceObject(kHelpManagerModule, clsid, manager), S_OK);
    return manager;
}

void SetViewer(IHelpTopicViewer* viewer) {
    ComPtr<IHelpViewerRegistry> registry;
    ASSERT_EQ(HelpManager().As(registry), S_OK);
    ASSERT_EQ(registry->SetViewer(viewer), S_OK);
}

} // namespace

TEST(HelpService, TopicsReachTheRegisteredViewer) {
    auto viewer = MakeComObject<RecordingViewer>();
    SetViewer(viewer.Get());
    int window = 0;
    EXPECT_TRUE(ShowHelpTopic(u"KMApplicationFiles.htm", &window));
    EXPECT_TRUE(ShowHelpTopic(u"KMAppFileNewCommonTab.htm", nullptr));
    ASSERT_EQ(viewer->topics.size(), 2u);
    EXPECT_EQ(viewer->topics[0], u"KMApplicationFiles.htm");
    EXPECT_EQ(viewer->owners[0], &window);
    EXPECT_EQ(viewer->topics[1], u"KMAppFileNewCommonTab.htm");
    SetViewer(nullptr);
}

TEST(HelpService, WithoutAViewerShowingRaisesWithAReason) {
    SetViewer(nullptr);
    const auto raised =
        vx::testing::RaisedBy([] { ShowHelpTopic(u"KMApplicationFiles.htm", nullptr); });
    EXPECT_EQ(raised.hr, E_FAIL);
    EXPECT_TRUE(raised.Mentions(u"no help viewer"));
}

TEST(HelpService, TheManagerAnswersOnlyItsApplicationProperty) {
    ComPtr<IDispatch> manager = HelpManager();
    ASSERT_TRUE(manager);
    const char16_t* names[] = {u"pApp", u"Other"};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(manager->GetIDsOfNames(IID_NULL, names, 2, LOCALE_SYSTEM_DEFAULT, ids),
              DISP_E_UNKNOWNNAME);
    EXPECT_GT(ids[0], 0);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    DISPPARAMS none;
    Variant result;
    EXPECT_EQ(manager->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                              result.Get(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(manager->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              result.Get(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.Type(), VT_UNKNOWN);
    ComPtr<IHelpService> service;
    EXPECT_EQ(result.Get()->punkVal->QueryInterface(IHelpService::kIid,
                                                    service.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_TRUE(GetHelpService());
}
