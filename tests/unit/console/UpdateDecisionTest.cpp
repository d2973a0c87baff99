#include "console/UpdateDecision.h"

#include <gtest/gtest.h>

TEST(UpdateDecision, OwnVersionAndErrorAreNotNewerWhateverTheBlanksAndCase)
{
    EXPECT_FALSE(IsNewerVersion("1.4"));
    EXPECT_FALSE(IsNewerVersion(" 1.4\r\n"));
    EXPECT_FALSE(IsNewerVersion("\t1.4 \n"));
    EXPECT_FALSE(IsNewerVersion("error"));
    EXPECT_FALSE(IsNewerVersion("ERROR"));
    EXPECT_FALSE(IsNewerVersion(" Error\r\n"));
}

TEST(UpdateDecision, EveryOtherAnswerAnnouncesANewerVersion)
{
    EXPECT_TRUE(IsNewerVersion("1.5"));
    EXPECT_TRUE(IsNewerVersion("1.3"));
    EXPECT_TRUE(IsNewerVersion(""));
    EXPECT_TRUE(IsNewerVersion("   "));
    EXPECT_TRUE(IsNewerVersion("<html><body>Not here</body></html>"));
    EXPECT_TRUE(IsNewerVersion("1.4.1"));
    EXPECT_TRUE(IsNewerVersion("1. 4"));
}

TEST(UpdateDecision, FoundDiskTextCarriesTheModelVerbatim)
{
    EXPECT_EQ("디스크 ACME SSD 120G를 발견하였습니다.", FormatSsdFound("ACME SSD 120G"));
    // A model is data, never a format: percent signs come out as they are.
    EXPECT_EQ("디스크 %s%n SSD를 발견하였습니다.", FormatSsdFound("%s%n SSD"));
}
