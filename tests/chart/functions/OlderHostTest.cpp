// The real module on a host whose interface library lacks the newer exports:
// from interface level 51 on a missing export fails the picture request;
// below it the plug-in writes the size itself and everything works.
#include "FuncTest.h"
#include "PrivateHost.h"

namespace {

using namespace functest;

const char* const kScript =
    "PVane_CreateChart ( \"bars 2d\" ; \"b\" ; \"png\" ; 320 ; 200 ; \"FFFFFF\" ; \"Old host\" )\n"
    "PVane_AddGraph ( \"b\" ; \"g\" ; \"G\" ; \"336699\" )\n"
    "PVane_AddData ( \"b\" ; \"g\" ; \"1¶2¶3\" )\n"
    "PVane_GetChart ( \"b\" )\n"
    "PVane_GetLastResultCode\n"
    "PVane_CreateChart ( \"pie 2d\" ; \"j\" ; \"jpeg\" ; 320 ; 200 )\n"
    "PVane_GetChart ( \"j\" )\n"
    "PVane_GetLastResultCode\n";

class OlderHost : public PrivateHost {};

TEST_F(OlderHost, MissingExportFailsThePictureAtLevel52)
{
    Ran r = Run(kScript, 52, true);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines, (std::vector<std::string>{
                           "1: error 0 text \"000 (OK)\"",
                           "2: error 0 text \"000 (OK)\"",
                           "3: error 0 text \"000 (OK)\"",
                           "4: error 0 empty",
                           "5: error 0 text \"-005 (Unknown error)\"",
                           "6: error 0 text \"-005 (Unknown error)\"",
                           "7: error 0 empty",
                           "8: error 0 text \"-005 (Unknown error)\"",
                       }));
    std::size_t failures = 0;
    for (const auto& line : LogLines())
        failures += line == "[ERROR] - PVane_GetChart faild. static function loading failed";
    EXPECT_EQ(failures, 2u) << Log();
}

TEST_F(OlderHost, EverythingWorksAtLevel50)
{
    Ran r = Run(kScript, 50, true);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 8u);
    EXPECT_EQ(r.lines[3].rfind("4: error 0 container JPEG:0 PNGf:", 0), 0u) << r.lines[3];
    EXPECT_NE(r.lines[3].find(" SIZE:4=320x200 -> 4.png"), std::string::npos) << r.lines[3];
    EXPECT_EQ(r.lines[3].find("FNAM"), std::string::npos) << r.lines[3];
    EXPECT_EQ(r.lines[4], "5: error 0 text \"000 (OK)\"");
    EXPECT_EQ(r.lines[6].rfind("7: error 0 container JPEG:", 0), 0u) << r.lines[6];
    EXPECT_NE(r.lines[6].find(" SIZE:4=320x200 -> 7.jpg"), std::string::npos) << r.lines[6];
    EXPECT_EQ(r.lines[7], "8: error 0 text \"000 (OK)\"");

    gfx_test::Image png, jpeg;
    ASSERT_TRUE(gfx_test::DecodePng(gfx_test::ReadFile((dir_ / "out" / "4.png").string()), &png));
    EXPECT_EQ(png.width, 320);
    EXPECT_EQ(png.height, 200);
    ASSERT_TRUE(gfx_test::DecodeJpeg(gfx_test::ReadFile((dir_ / "out" / "7.jpg").string()), &jpeg));
    EXPECT_EQ(jpeg.width, 320);
    EXPECT_EQ(jpeg.height, 200);
}

TEST_F(OlderHost, NewerHostLibraryServesLevel52)
{
    Ran r = Run(kScript, 52, false);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 8u);
    EXPECT_NE(r.lines[3].find(" SIZE:4=320x200 FNAM:12=\"Untitled.png\" -> 4.png"), std::string::npos) << r.lines[3];
    EXPECT_EQ(r.lines[7], "8: error 0 text \"000 (OK)\"");
}

} // namespace
