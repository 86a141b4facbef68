#include <gtest/gtest.h>

#include <vector>

#include "shell/command_line.h"

namespace velq {
namespace {

ParseResult parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "velq13");
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineTest, AcceptsTheDocumentedForms)
{
    const ParseResult none = parse({});
    ASSERT_EQ(none.error, "");
    EXPECT_EQ(none.options.display, DisplayMode::terminal);
    EXPECT_FALSE(none.options.previewPath);

    // Only the first non-option argument is previewed; later ones are ignored.
    const ParseResult preview = parse({"a.gml", "b.gml", "--mute"});
    ASSERT_EQ(preview.error, "");
    EXPECT_EQ(*preview.options.previewPath, "a.gml");
    EXPECT_TRUE(preview.options.mute);

    const ParseResult capture = parse({"--capture", "out", "--fps", "25", "--seconds", "2.5", "--png", "--canvas"});
    ASSERT_EQ(capture.error, "");
    EXPECT_EQ(capture.options.display, DisplayMode::capture);
    EXPECT_EQ(capture.options.captureDir, "out");
    EXPECT_EQ(capture.options.fps, 25);
    EXPECT_DOUBLE_EQ(*capture.options.seconds, 2.5);
    EXPECT_TRUE(capture.options.png && capture.options.canvasDump);

    EXPECT_EQ(parse({"--window"}).options.display, DisplayMode::window);
    EXPECT_TRUE(parse({"--help"}).options.help);
}

TEST(CommandLineTest, RejectsWhatCannotWork)
{
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"--bogus"}, "unknown option --bogus (see --help)"},
        {{"--capture"}, "--capture needs a directory"},
        {{"--capture", ""}, "--capture needs a directory"},
        {{"--capture", "d", "--fps", "0"}, "--fps needs a whole number from 1 to 1000"},
        {{"--capture", "d", "--fps", "12x"}, "--fps needs a whole number from 1 to 1000"},
        {{"--capture", "d", "--seconds", "-1"}, "--seconds needs a positive number"},
        {{"--capture", "d", "--seconds", "inf"}, "--seconds needs a positive number"},
        {{"--capture", "d", "--seconds"}, "--seconds needs a positive number"},
        {{"--window", "--capture", "d"}, "--window and --capture cannot be used together"},
        {{"--png"}, "--fps, --seconds, --png and --canvas need --capture DIR"},
    };
    for (const auto& [args, error] : cases) EXPECT_EQ(parse(args).error, error);
}

} // namespace
} // namespace velq
