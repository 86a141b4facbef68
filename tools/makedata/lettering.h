// Text as pen paths from the Hershey vector fonts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velq::makedata {

struct Vec2 {
    double x = 0;
    double y = 0;
};
using Polyline = std::vector<Vec2>;

struct TextPaths {
    std::vector<Polyline> paths; // font units: x to the right, y up, baseline at 0
    double width = 0;            // advance of the whole text
};

// Lays out one line of text in the named font ("scripts", "futural", ...). Letters whose pen
// paths meet (as joined script does) come out as one path. Ends the program when the font is
// missing, since the data set cannot be made without it.
TextPaths layoutText(const std::string& font, std::string_view text, double letterSpacing = 0,
                     bool joinLetters = true);

} // namespace velq::makedata
