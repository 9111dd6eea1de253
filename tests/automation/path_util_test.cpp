// Path variables expanded and relative paths made absolute by the framework's helper.

#include "ide/framework/path_util.h"
#include "ide/framework/path_variables.h"

#include <gtest/gtest.h>

#include <map>

namespace vx {
namespace {

class Variables final : public ComObject<Variables, IPathVariables> {
public:
    std::map<std::u16string, std::u16string> values;
    std::u16string base = u"/home/author/projects";

    HRESULT GetPathVariable(const char16_t* name, BSTR* value) override {
        const auto it = values.find(name);
        if (it == values.end()) {
            *value = nullptr;
            return S_FALSE;
        }
        *value = SysAllocStringView(it->second);
        return S_OK;
    }
    HRESULT GetBaseFolder(BSTR* folder) override {
        *folder = SysAllocStringView(base);
        return S_OK;
    }
};

TEST(PathVariables, ExpansionAndAbsolutePaths) {
    auto variables = MakeComObject<Variables>();
    variables->values = {{u"Media", u"/srv/media"},
                         {u"Build", u"${Media}/build"},
                         {u"Loop", u"${Loop}x"},
                         {u"Relative", u"media"}};
    const auto expand = [&](std::u16string_view path) {
        return UtilGetAbsolutePathFromPathVar(path, variables.Get());
    };
    EXPECT_EQ(expand(u"${Media}/app.msi"), u"/srv/media/app.msi");
    EXPECT_EQ(expand(u"${Build}/1.0/${Media}"), u"/srv/media/build/1.0//srv/media");
    // Relative results are taken against the project's folder.
    EXPECT_EQ(expand(u"app.msi"), u"/home/author/projects/app.msi");
    EXPECT_EQ(expand(u"./sub/app.msi"), u"/home/author/projects/sub/app.msi");
    EXPECT_EQ(expand(u"${Relative}/app.msi"), u"/home/author/projects/media/app.msi");
    // What is no reference stays as written: unknown names, bad names, no closing brace, "$$".
    EXPECT_EQ(expand(u"/a/${Unknown}/b"), u"/a/${Unknown}/b");
    EXPECT_EQ(expand(u"/a/${9x}/${Media"), u"/a/${9x}/${Media");
    EXPECT_EQ(expand(u"/a/$${Media}/$Media"), u"/a/${Media}/$Media");
    // A variable that refers to itself stops at the depth limit instead of looping.
    EXPECT_EQ(expand(u"/${Loop}").size(), std::u16string(u"/${Loop}").size() + 8);
    EXPECT_EQ(expand(u""), u"");
    EXPECT_EQ(UtilGetAbsolutePathFromPathVar(u"${Media}/x", nullptr), u"${Media}/x");
}

} // namespace
} // namespace vx
