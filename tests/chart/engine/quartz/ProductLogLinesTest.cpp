// The product log's lines in the mac flavour: a line feed ends each, and a
// message has 1024 bytes of room.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "chart/output/Logging.h"

TEST(MacLogLines, LineFeedAndRoomOf1024)
{
    std::ostringstream out;
    Logging::SetupChannels(std::make_shared<Logging::CSink>(out));
    LogInfo("%s v%s (%s)", "Plotvane", "1.0.0.b36", "MacOS X");
    const std::string text = out.str();
    const std::string line = "[INFO] - Plotvane v1.0.0.b36 (MacOS X)\n";
    ASSERT_GE(text.size(), line.size());
    EXPECT_EQ(text.substr(text.size() - line.size()), line);
    EXPECT_EQ(text.find('\r'), std::string::npos);

    out.str("");
    const std::string long_message(1000, 'm');
    LogWarning("%s", long_message.c_str());
    EXPECT_NE(out.str().find("[WARNING] - " + long_message + "\n"), std::string::npos);
    out.str("");
    LogWarning("%s", std::string(1500, 'n').c_str());
    // Cut to the room, the terminating zero included.
    EXPECT_NE(out.str().find("[WARNING] - " + std::string(1023, 'n') + "\n"), std::string::npos);
    Logging::SetupChannels(nullptr);
}
