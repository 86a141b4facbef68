#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "shell/assets.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

// Runs a test inside a fresh temporary folder and puts the working directory and the slot
// tables back afterwards, so other tests see them as the program starts them.
class AssetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "velq_assets_XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        fs::create_directory(dir_ / "data2");
        fs::current_path(dir_);
        savedInput_ = dup(STDIN_FILENO);
        const int null = open("/dev/null", O_RDONLY); // a key wait must never block a test
        dup2(null, STDIN_FILENO);
        close(null);
    }
    void TearDown() override
    {
        dup2(savedInput_, STDIN_FILENO);
        close(savedInput_);
        fs::current_path(saved_);
        fs::remove_all(dir_);
        for (Image& image : imageTable) image = Image{};
        std::fill(drawingTable.begin(), drawingTable.end(), Drawing{});
    }

    // A 24-bit top-down TGA whose width tells the files apart.
    static void writePicture(const std::string& path, int width)
    {
        std::string f(18, '\0');
        f[2] = 2;
        f[12] = static_cast<char>(width);
        f[14] = 2;
        f[16] = 24;
        f[17] = 0x20;
        for (int i = 0; i < width * 2; ++i) f += std::string{static_cast<char>(i), 20, 30};
        std::ofstream(path, std::ios::binary) << f;
    }

    // A drawing with the given number of one-point strokes.
    static void writeDrawing(const std::string& path, int strokes)
    {
        std::ofstream out(path, std::ios::binary);
        out << "<gml spec=\"1.0\"><tag><drawing>\n";
        for (int s = 0; s < strokes; ++s) out << "<stroke><pt><x>0.5</x><y>0.5</y><time>0</time></pt></stroke>\n";
        out << "</drawing></tag></gml>\n";
    }

    // Writes every row's file for which keep(row) holds; a picture's width is its row + 1, a
    // drawing's stroke count its row - 12.
    template <class Keep>
    static void writeDataSet(Keep keep)
    {
        for (int row = 0; row < assetRows; ++row) {
            if (!keep(row)) continue;
            const AssetEntry& entry = assetTable[static_cast<std::size_t>(row)];
            if (row < 13) {
                writePicture(entry.path, row == 5 ? 5 : row + 1); // rows 4 and 5 share dots.tga
            } else {
                writeDrawing(entry.path, row - 12);
            }
        }
    }

    fs::path saved_;
    fs::path dir_;
    int savedInput_ = -1;
};

TEST_F(AssetsTest, TableRowsAndSlots)
{
    const int pictureSlots[13] = {9, 10, 11, 17, 18, 19, 20, 21, 1, 2, 3, 4, 5};
    const char* paths[assetRows] = {
        "data2/mini_kelvaro.tga", "data2/mini_dunmoth.tga", "data2/mini_vintrel.tga", "data2/misc_stuff.tga",
        "data2/dots.tga",         "data2/dots.tga",         "data2/blacken.tga",      "data2/pink_tile.tga",
        "data2/logo_qIV.tga",     "data2/ttl1.tga",         "data2/ttl2.tga",         "data2/ttl3.tga",
        "data2/grtz.tga",         "data2/text.gml",         "data2/mode.gml",         "data2/demo.gml",
        "data2/compo.gml",        "data2/grubix.gml",       "data2/wexhall.gml",      "data2/plumox.gml",
        "data2/kelvaro.gml",      "data2/dunmoth.gml",      "data2/vintrel2.gml",     "data2/velqIsBack.gml",
        "data2/bringYoDemo.gml",  "data2/sameDate.gml",     "data2/sameRules.gml",    "data2/sameGoal.gml",
        "data2/makeItNice.gml",   "data2/beeThaKing.gml",
    };
    for (int row = 0; row < assetRows; ++row) {
        const AssetEntry& entry = assetTable[static_cast<std::size_t>(row)];
        EXPECT_EQ(std::string_view(entry.path), paths[row]) << "row " << row;
        if (row < 13) {
            ASSERT_TRUE(std::holds_alternative<Image*>(entry.target)) << "row " << row;
            EXPECT_EQ(std::get<Image*>(entry.target), &imageTable[static_cast<std::size_t>(pictureSlots[row])]) << "row " << row;
        } else {
            ASSERT_TRUE(std::holds_alternative<Drawing*>(entry.target)) << "row " << row;
            EXPECT_EQ(std::get<Drawing*>(entry.target), &drawingTable[static_cast<std::size_t>(row - 13)]) << "row " << row;
        }
    }
}

TEST_F(AssetsTest, CompleteDataSetFillsEverySlot)
{
    writeDataSet([](int) { return true; });
    testing::internal::CaptureStderr();
    loadAssets();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const std::set<int> filled = {1, 2, 3, 4, 5, 9, 10, 11, 17, 18, 19, 20, 21};
    for (int slot = 0; slot < imageSlots; ++slot) {
        const Image& image = imageTable[static_cast<std::size_t>(slot)];
        EXPECT_EQ(image.pixels.empty(), !filled.contains(slot)) << "slot " << slot;
    }
    for (int row = 0; row < 13; ++row) {
        const Image& image = *std::get<Image*>(assetTable[static_cast<std::size_t>(row)].target);
        const int width = row == 5 ? 5 : row + 1;
        EXPECT_EQ(image.width, width) << "row " << row;
        EXPECT_EQ(image.height, 2) << "row " << row;
        EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(width * 2)) << "row " << row;
        EXPECT_EQ(image.pixels[1], makePixel(30, 20, 1, 255)) << "row " << row;
    }
    for (int slot = 0; slot < drawingSlots; ++slot)
        EXPECT_EQ(drawingTable[static_cast<std::size_t>(slot)].strokeCount, slot + 1) << "drawing " << slot;

    // The dots picture twice, as two pictures of their own.
    Image& dots1 = imageTable[18];
    Image& dots2 = imageTable[19];
    EXPECT_EQ(dots1.pixels, dots2.pixels);
    EXPECT_NE(dots1.pixels.data(), dots2.pixels.data());
    dots1.pixels[0] = 0;
    EXPECT_NE(dots2.pixels[0], 0u);

    freeAssets();
    for (const Image& image : imageTable) {
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.height, 0);
    }
    for (int slot = 0; slot < drawingSlots; ++slot)
        EXPECT_EQ(drawingTable[static_cast<std::size_t>(slot)].strokeCount, slot + 1) << "drawings stay";
}

TEST_F(AssetsTest, MissingFilesAreReportedAndTheRestLoads)
{
    writeDataSet([](int row) { return row % 2 == 0; });
    testing::internal::CaptureStderr();
    loadAssets();
    const std::string errors = testing::internal::GetCapturedStderr();

    int missing = 0;
    for (int row = 0; row < assetRows; ++row) {
        const AssetEntry& entry = assetTable[static_cast<std::size_t>(row)];
        const bool present = fs::exists(entry.path);
        missing += !present;
        EXPECT_EQ(errors.find(entry.path) != std::string::npos, !present) << entry.path << " named in the messages";
        if (row < 13) {
            const Image& image = *std::get<Image*>(entry.target);
            EXPECT_EQ(image.pixels.empty(), !present) << entry.path;
        } else {
            const Drawing& drawing = *std::get<Drawing*>(entry.target);
            EXPECT_EQ(drawing.strokeCount, present ? row - 12 : 0) << entry.path;
        }
    }
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), missing) << errors;
    EXPECT_NE(errors.find("ERROR!!! data2/demo.gml NOT FOUND!!\n"), std::string::npos);
    EXPECT_NE(errors.find("data2/mini_dunmoth.tga: cannot open TGA picture"), std::string::npos);
    freeAssets();
}

} // namespace
} // namespace velq
