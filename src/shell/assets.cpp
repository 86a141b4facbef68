#include "shell/assets.h"

#include "gml/gml_reader.h"

namespace velq {

std::array<Image, imageSlots> imageTable;
// Drawings live here for the whole run and own no heap memory.
std::array<Drawing, drawingSlots> drawingTable;

namespace {

void loadPicture(const char* path, AssetTarget target)
{
    loadImage(path, *std::get<Image*>(target));
}

void freePicture(AssetTarget target)
{
    freeImage(*std::get<Image*>(target));
}

void loadGml(const char* path, AssetTarget target)
{
    loadDrawing(path, std::get<Drawing*>(target));
}

// Drawings are static records: nothing to release.
void keepDrawing(AssetTarget) {}

constexpr AssetEntry picture(int slot, const char* path)
{
    return {&imageTable[static_cast<std::size_t>(slot)], path, loadPicture, freePicture};
}

constexpr AssetEntry drawing(int slot, const char* path)
{
    return {&drawingTable[static_cast<std::size_t>(slot)], path, loadGml, keepDrawing};
}

} // namespace

// "data2/dots.tga" fills two slots, each with its own copy: the tunnel's two layers.
constexpr std::array<AssetEntry, assetRows> assetTable{{
    picture(9, "data2/mini_kelvaro.tga"),
    picture(10, "data2/mini_dunmoth.tga"),
    picture(11, "data2/mini_vintrel.tga"),
    picture(17, "data2/misc_stuff.tga"),
    picture(18, "data2/dots.tga"),
    picture(19, "data2/dots.tga"),
    picture(20, "data2/blacken.tga"),
    picture(21, "data2/pink_tile.tga"),
    picture(1, "data2/logo_qIV.tga"),
    picture(2, "data2/ttl1.tga"),
    picture(3, "data2/ttl2.tga"),
    picture(4, "data2/ttl3.tga"),
    picture(5, "data2/grtz.tga"),
    drawing(0, "data2/text.gml"),
    drawing(1, "data2/mode.gml"),
    drawing(2, "data2/demo.gml"),
    drawing(3, "data2/compo.gml"),
    drawing(4, "data2/grubix.gml"),
    drawing(5, "data2/wexhall.gml"),
    drawing(6, "data2/plumox.gml"),
    drawing(7, "data2/kelvaro.gml"),
    drawing(8, "data2/dunmoth.gml"),
    drawing(9, "data2/vintrel2.gml"),
    drawing(10, "data2/velqIsBack.gml"),
    drawing(11, "data2/bringYoDemo.gml"),
    drawing(12, "data2/sameDate.gml"),
    drawing(13, "data2/sameRules.gml"),
    drawing(14, "data2/sameGoal.gml"),
    drawing(15, "data2/makeItNice.gml"),
    drawing(16, "data2/beeThaKing.gml"),
}};

void loadAssets()
{
    for (const AssetEntry& row : assetTable) row.load(row.path, row.target);
}

void freeAssets()
{
    // The same order as loading, not reversed.
    for (const AssetEntry& row : assetTable) row.free(row.target);
}

} // namespace velq
