// Fonts: handles to logical-font descriptions, and the Qt fonts drawn from
// them.

#include <gtest/gtest.h>

#include <QFontInfo>

#include <set>
#include <thread>
#include <vector>

#include "Font.h"

namespace {

using namespace vexlar::sys;

TEST(Fonts, HandlesKeepTheirDescriptionUntilDeleted)
{
    FontHandle font = CreateFont(-14, 0, 900, 900, 700, 1, 1, 1, 0, 0, 0, 0, 0x22, "Arial");
    ASSERT_NE(font, 0u);
    LogFont description;
    ASSERT_TRUE(GetFontDescription(font, &description));
    EXPECT_EQ(description.height, -14);
    EXPECT_EQ(description.escapement, 900);
    EXPECT_EQ(description.orientation, 900);
    EXPECT_EQ(description.weight, 700);
    EXPECT_EQ(description.italic, 1);
    EXPECT_EQ(description.pitchAndFamily, 0x22);
    EXPECT_EQ(description.faceName, "Arial");

    LogFont copy = description;
    FontHandle second = CreateFontIndirect(copy);
    ASSERT_NE(second, font);
    LogFont again;
    ASSERT_TRUE(GetFontDescription(second, &again));
    EXPECT_EQ(again, description);

    EXPECT_TRUE(DeleteFont(font));
    EXPECT_FALSE(DeleteFont(font));
    EXPECT_FALSE(GetFontDescription(font, &again));
    EXPECT_FALSE(DeleteFont(0));
    EXPECT_FALSE(GetFontDescription(0, &again));
    EXPECT_FALSE(GetFontDescription(second, nullptr));
    EXPECT_TRUE(DeleteFont(second));
    // A deleted handle is not handed out again soon.
    for (int i = 0; i < 100; ++i) {
        FontHandle fresh = CreateFont(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        EXPECT_NE(fresh, font);
        EXPECT_NE(fresh, second);
        DeleteFont(fresh);
    }
}

TEST(Fonts, FaceNamesAreKeptToTheRecordsLength)
{
    const std::string longName(60, 'F');
    FontHandle font = CreateFont(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, longName.c_str());
    LogFont description;
    ASSERT_TRUE(GetFontDescription(font, &description));
    EXPECT_EQ(description.faceName, std::string(31, 'F'));
    DeleteFont(font);
    FontHandle unnamed = CreateFont(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    ASSERT_TRUE(GetFontDescription(unnamed, &description));
    EXPECT_EQ(description.faceName, "");
    DeleteFont(unnamed);
}

TEST(Fonts, QtFontsFollowTheDescription)
{
    LogFont description;
    description.faceName = "Arial";
    description.height = -16;
    QFont font = ToQFont(description);
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic());
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    // Whatever face the system gives for it, the size holds.
    EXPECT_EQ(QFontInfo(font).pixelSize(), 16);

    description.height = 14;
    description.weight = 700;
    description.italic = 1;
    description.underline = 1;
    description.strikeOut = 1;
    font = ToQFont(description);
    EXPECT_EQ(font.pixelSize(), 14);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(font.strikeOut());

    description.weight = 400;
    description.height = 0;
    font = ToQFont(description);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_GT(font.pixelSize(), 0);
    description.weight = 5000;
    EXPECT_EQ(ToQFont(description).weight(), 1000);
}

TEST(Fonts, TableIsSafeFromManyThreads)
{
    constexpr int kThreads = 4;
    constexpr int kFontsEach = 500;
    std::vector<std::vector<FontHandle>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &made] {
            for (int i = 0; i < kFontsEach; ++i) {
                FontHandle font = CreateFont(t * 1000 + i, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
                LogFont description;
                if (GetFontDescription(font, &description) && description.height == t * 1000 + i)
                    made[t].push_back(font);
                if (i % 2 == 1)
                    DeleteFont(font);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<FontHandle> all;
    for (const auto& fonts : made) {
        EXPECT_EQ(fonts.size(), static_cast<std::size_t>(kFontsEach));
        all.insert(fonts.begin(), fonts.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kFontsEach)) << "a handle was handed out twice";
    for (const auto& fonts : made)
        for (std::size_t i = 0; i < fonts.size(); i += 2)
            EXPECT_TRUE(DeleteFont(fonts[i]));
}

}  // namespace
