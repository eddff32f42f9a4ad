#include <gtest/gtest.h>

#include "base/Format.h"
#include "base/Message.h"
#include "support/TestSupport.h"

namespace {

TEST(Message, ReachesTheInstalledHandlerAndTheOldOneComesBack) {
    std::vector<std::string> outer;
    MessageHandler before =
        setMessageHandler([&](const std::string& text, const std::string&) { outer.push_back(text); });
    {
        MessageRecorder recorder;
        showMessage("ファイルオープンに失敗!", "Failed!");
        ASSERT_EQ(recorder.entries().size(), 1u);
        EXPECT_EQ(recorder.entries()[0].text, "ファイルオープンに失敗!");
        EXPECT_EQ(recorder.entries()[0].caption, "Failed!");
    }
    showMessage("after", "Error");
    EXPECT_EQ(outer, std::vector<std::string>{"after"});
    setMessageHandler(before);
}

TEST(Message, DefaultHandlerWritesToStandardError) {
    MessageHandler before = setMessageHandler(nullptr);
    testing::internal::CaptureStderr();
    showMessage("text", "Caption");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: text\n");
    setMessageHandler(before);
}

TEST(Format, FormatsTextsOfAnyLength) {
    EXPECT_EQ(formatText("BMP Error : %s \n\"%s\"", "x", "D:\\a.bmp"), "BMP Error : x \n\"D:\\a.bmp\"");
    EXPECT_EQ(formatText("%s", std::string(5000, 'a').c_str()).size(), 5000u);
    EXPECT_EQ(formatText("%s", ""), "");
    EXPECT_EQ(formatText("%7s|%.4f", "ab", 0.25), "     ab|0.2500");
}

}  // namespace
