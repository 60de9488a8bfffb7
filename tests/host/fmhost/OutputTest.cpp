// What fmhost prints for a line, as text and as JSON.
#include <gtest/gtest.h>

#include "fmapi/container_streams.h"
#include "fmhost/Output.h"

using namespace fmhost;

TEST(Output, TextForm)
{
    LineResult msg;
    msg.line = 3;
    msg.kind = "init";
    msg.result = 52;
    EXPECT_EQ(FormatText(msg), "3: result 52");

    LineResult s;
    s.line = 4;
    s.kind = "string";
    s.text = "Plotvane";
    EXPECT_EQ(FormatText(s), "4: string \"Plotvane\"");

    LineResult sleep;
    sleep.line = 5;
    sleep.kind = "sleep";
    EXPECT_EQ(FormatText(sleep), "5: ok");

    LineResult c;
    c.line = 9;
    c.kind = "calc";
    c.error = 0;
    c.type = "text";
    c.text = "a\rb\"c\\d\te\n";
    EXPECT_EQ(FormatText(c), "9: error 0 text \"a¶b\\\"c\\\\d\\x09e\\x0A\"");
    c.type = "number";
    c.text.reset();
    c.number = "-2.5";
    c.error = -10001;
    EXPECT_EQ(FormatText(c), "9: error -10001 number -2.5");
    c.type = "date";
    EXPECT_EQ(FormatText(c), "9: error -10001 date -2.5");
    c.type = "empty";
    c.number.reset();
    EXPECT_EQ(FormatText(c), "9: error -10001 empty");
    c.type = "container";
    c.error = 0;
    c.streams = {{"JPEG", 0}, {"PNGf", 1234}, {"SIZE", 4}};
    EXPECT_EQ(FormatText(c), "9: error 0 container JPEG:0 PNGf:1234 SIZE:4");
    c.file = "9.png";
    EXPECT_EQ(FormatText(c), "9: error 0 container JPEG:0 PNGf:1234 SIZE:4 -> 9.png");
    // What a stream holds follows it, by the stream's index.
    c.streams->emplace_back("FNAM", 3);
    c.streamValues = {{3, "\"a.b\""}, {2, "7x9"}};
    EXPECT_EQ(FormatText(c), "9: error 0 container JPEG:0 PNGf:1234 SIZE:4=7x9 FNAM:3=\"a.b\" -> 9.png");
}

TEST(Output, JsonForm)
{
    LineResult msg;
    msg.line = 1;
    msg.kind = "shutdown";
    msg.result = 0;
    EXPECT_EQ(FormatJson(msg), "{\"line\":1,\"kind\":\"shutdown\",\"error\":null,\"type\":null,\"text\":null,"
                               "\"number\":null,\"result\":0,\"streams\":null,\"file\":null}");
    LineResult c;
    c.line = 2;
    c.kind = "calc";
    c.error = 0;
    c.type = "container";
    c.streams = {{"JPEG", 0}, {"PNGf", 9}};
    c.file = "2.png";
    EXPECT_EQ(FormatJson(c), "{\"line\":2,\"kind\":\"calc\",\"error\":0,\"type\":\"container\",\"text\":null,"
                             "\"number\":null,\"result\":null,\"streams\":[{\"type\":\"JPEG\",\"bytes\":0},"
                             "{\"type\":\"PNGf\",\"bytes\":9}],\"file\":\"2.png\"}");
    c.type = "number";
    c.streams.reset();
    c.file.reset();
    c.number = "?";   // not a number has no JSON form
    EXPECT_NE(FormatJson(c).find("\"number\":null"), std::string::npos);
    c.number = "0.25";
    EXPECT_NE(FormatJson(c).find("\"number\":0.25,"), std::string::npos);
    EXPECT_EQ(JsonString("q\"\\\r\n\x01 ü"), "\"q\\\"\\\\\\r\\n\\u0001 ü\"");
}

TEST(Output, StreamTypeNames)
{
    EXPECT_EQ(StreamTypeName(0x504E4766), "PNGf");
    EXPECT_EQ(StreamTypeName(0x4A504547), "JPEG");
    EXPECT_EQ(StreamTypeName(fmapi::kPngStream), "PNGf");
    EXPECT_EQ(StreamTypeName(fmapi::kJpegStream), "JPEG");
    EXPECT_EQ(StreamTypeName(fmapi::kSizeStream), "SIZE");
    EXPECT_EQ(StreamTypeName(fmapi::kNameStream), "FNAM");
    EXPECT_EQ(StreamTypeName(0x504E4720), "0x504E4720");   // trailing blank
    EXPECT_EQ(StreamTypeName(0x3A3A3A3A), "0x3A3A3A3A");   // "::::"
    EXPECT_EQ(StreamTypeName(0), "0x00000000");
}
