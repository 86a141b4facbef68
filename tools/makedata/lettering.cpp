#include "lettering.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

// The library's header has no C++ linkage guard of its own.
extern "C" {
#include <hersheyfont.h>
}

namespace velq::makedata {

namespace {

struct FontDeleter {
    void operator()(hershey_font* font) const { hershey_font_free(font); }
};

} // namespace

TextPaths layoutText(const std::string& font, std::string_view text, double letterSpacing, bool joinLetters)
{
    const std::unique_ptr<hershey_font, FontDeleter> loaded(hershey_font_load(font.c_str()));
    if (!loaded) {
        std::fprintf(stderr, "makedata: Hershey font %s not found\n", font.c_str());
        std::exit(1);
    }
    TextPaths out;
    double penX = 0;
    for (char ch : text) {
        const hershey_glyph* glyph = hershey_font_glyph(loaded.get(), static_cast<unsigned char>(ch));
        if (!glyph) continue;
        for (const hershey_path* path = glyph->paths; path; path = path->next) {
            Polyline line;
            for (unsigned i = 0; i < path->nverts; ++i)
                line.push_back({penX + path->verts[i].x, static_cast<double>(path->verts[i].y)});
            if (line.empty()) continue;
            // Joined script: a letter that starts where the last one ended continues its path.
            if (joinLetters && !out.paths.empty()) {
                Polyline& last = out.paths.back();
                const double gap = std::hypot(last.back().x - line.front().x, last.back().y - line.front().y);
                if (gap <= 2.5) {
                    last.insert(last.end(), line.begin() + (gap < 0.01 ? 1 : 0), line.end());
                    continue;
                }
            }
            out.paths.push_back(std::move(line));
        }
        penX += glyph->width + letterSpacing;
    }
    out.width = penX - letterSpacing;
    return out;
}

} // namespace velq::makedata
