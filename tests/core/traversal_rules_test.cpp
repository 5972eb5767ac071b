#include <gtest/gtest.h>

#include "core/traversal.h"

namespace marsitel {
namespace {

TEST(TraversalRules, LevelTenMeansAllLevels) {
    EXPECT_EQ(DepthForLevel(10), 1000);
    EXPECT_EQ(DepthForLevel(9), 9);
    EXPECT_EQ(DepthForLevel(1), 1);
}

TEST(TraversalRules, SubAssemblyTextEndsInAsmInAnyCase) {
    EXPECT_TRUE(IsSubAssemblyText(L"Getriebe.asm"));
    EXPECT_TRUE(IsSubAssemblyText(L"GETRIEBE.ASM"));
    EXPECT_TRUE(IsSubAssemblyText(L"aSm"));
    EXPECT_TRUE(IsSubAssemblyText(L"Blech.pasm"));
    EXPECT_FALSE(IsSubAssemblyText(L"sm"));
    EXPECT_FALSE(IsSubAssemblyText(L""));
    EXPECT_FALSE(IsSubAssemblyText(L"Getriebe.asm "));
    EXPECT_FALSE(IsSubAssemblyText(L"Welle.par"));
}

}  // namespace
}  // namespace marsitel
