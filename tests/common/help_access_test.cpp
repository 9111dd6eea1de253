// Reaching the help service through the build's help object manager, with a recording viewer
// standing in for the IDE's help window.

#include "VxWsApplicationFilesEP/common/help_service_access.h"
#include "platform/com/com_exception.h"

#include "support/com_failure.h"
#include "support/help_viewer.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::testing;

TEST(HelpService, TopicsReachTheRegisteredViewer) {
    auto viewer = MakeComObject<RecordingViewer>();
    SetHelpViewer(viewer.Get());
    int window = 0;
    EXPECT_TRUE(ShowHelpTopic(u"KMApplicationFiles.htm", &window));
    EXPECT_TRUE(ShowHelpTopic(u"KMAppFileNewCommonTab.htm", nullptr));
    ASSERT_EQ(viewer->topics.size(), 2u);
    EXPECT_EQ(viewer->topics[0], u"KMApplicationFiles.htm");
    EXPECT_EQ(viewer->owners[0], &window);
    EXPECT_EQ(viewer->topics[1], u"KMAppFileNewCommonTab.htm");
    SetHelpViewer(nullptr);
}

TEST(HelpService, WithoutAViewerShowingRaisesWithAReason) {
    SetHelpViewer(nullptr);
    const auto raised = RaisedBy([] { ShowHelpTopic(u"KMApplicationFiles.htm", nullptr); });
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
