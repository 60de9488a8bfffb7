// The host's texts in and out of a plug-in's data (world/DataText.h), as its
// modules and frameworks name catalog members and read script parameters.
#include <gtest/gtest.h>

#include "fmapi/fm_host.h"
#include "world/DataText.h"

namespace {

struct Data {
    FMError err{1, 0};
    FMData* fm = FM_Data_Constructor1(&err);
    ~Data() { FM_Data_Delete(fm, &err); }
    Draco::DBData* db() const { return reinterpret_cast<Draco::DBData*>(fm); }
};

} // namespace

TEST(DataText, TextsInAndOutAsUtf8)
{
    Data d;
    ASSERT_TRUE(hostworld::SetDataText(d.db(), u"Gr\u00F6\u00DFe \U0001D11E"));
    EXPECT_EQ(hostworld::TextOf(d.db()), "Gr\xC3\xB6\xC3\x9F" "e \xF0\x9D\x84\x9E");
    ASSERT_TRUE(hostworld::SetDataText(d.db(), u""));
    EXPECT_EQ(hostworld::TextOf(d.db()), "");
    EXPECT_EQ(hostworld::TextOf(nullptr), "");
}

TEST(DataText, FailuresOfTheInterfaceLibrary)
{
    Data d;
    ASSERT_TRUE(hostworld::SetDataText(d.db(), u"kept"));
    for (const char* function : {"FM_Text_Constructor1", "FM_Text_AssignUnicodeWithLength", "FM_Data_SetAsText"}) {
        FMH_InjectFailure(function, 1, 0, 1);
        EXPECT_FALSE(hostworld::SetDataText(d.db(), u"lost")) << function;
        FMH_ClearFailures();
        EXPECT_EQ(hostworld::TextOf(d.db()), "kept") << function;
    }
    for (const char* function : {"FM_Data_GetAsText", "FM_Text_GetSize", "FM_Text_GetUnicode"}) {
        FMH_InjectFailure(function, 2, 0, 1);
        EXPECT_EQ(hostworld::TextOf(d.db()), "") << function;
        FMH_ClearFailures();
    }
}
