#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "gml/gml_reader.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<Drawing> read(std::string_view text)
{
    auto drawing = std::make_unique<Drawing>();
    readDrawingText(text, *drawing);
    return drawing;
}

const StrokePoint& point(const Drawing& d, int stroke, int index)
{
    return d.strokes[static_cast<std::size_t>(stroke)].points[static_cast<std::size_t>(index)];
}

int pointCount(const Drawing& d, int stroke)
{
    return d.strokes[static_cast<std::size_t>(stroke)].pointCount;
}

std::string specText(const Drawing& d)
{
    return d.specText.data();
}

// One point in one stroke around the given value-element text.
std::string inPoint(std::string_view body)
{
    return "<stroke><pt>" + std::string(body) + "</pt></stroke>";
}

TEST(GmlReader, ReadsStrokesPointsAndSpec)
{
    const auto d = read("<?xml version=\"1.0\"?>\n<gml spec=\"1.0\">\n<tag>\n<drawing>\n"
                        "<stroke>\n<pt><x>0.5</x><y>0.25</y><z>2</z><time>1.5</time></pt>\n"
                        "<pt>\n\t<x> 0.75 </x>\n\t<y>0.125</y>\n\t<t>2.5</t>\n</pt>\n</stroke>\n"
                        "<stroke></stroke>\n<stroke><pt></pt></stroke>\n</drawing>\n</tag>\n</gml>\n");
    EXPECT_EQ(specText(*d), "1.0");
    ASSERT_EQ(d->strokeCount, 3);
    EXPECT_EQ(pointCount(*d, 0), 2);
    EXPECT_EQ(pointCount(*d, 1), 0) << "a stroke without points still counts";
    EXPECT_EQ(pointCount(*d, 2), 1);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 0.5f);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).y, 0.25f);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).z, 2.0f);
    EXPECT_FLOAT_EQ(d->strokes[0].times[0], 1.5f);
    EXPECT_FLOAT_EQ(point(*d, 0, 1).x, 0.75f);
    EXPECT_FLOAT_EQ(d->strokes[0].times[1], 2.5f);
}

TEST(GmlReader, ValueTokens)
{
    const struct {
        const char* body;
        float x;
    } cases[] = {
        {"<x>1</x>", 1},
        {"<x> 2 </x>", 2},
        {"<x>\n3\n</x>", 3},
        {"<x>3.5\r\n</x>", 3.5f},    // the carriage return is part of the number's token
        {"<x>4 word</x>", 0},        // the last token wins and is no number
        {"<x>5 \r\n</x>", 0},        // a lone carriage return is a token of its own
        {"<x>1 2 3</x>", 3},         // every token stored in turn
        {"<x>1\t2</x>", 2},          // tab separates
        {"<x>1\f2</x>", 1},          // form feed does not
        {"<x>1\r2</x>", 1},
        {"<x>-1.5e2</x>", -150},
        {"<x>+.5</x>", 0.5f},
        {"<x>7abc</x>", 7},
        {"<x>0x10</x>", 0},          // decimal only
        {"<x>inf</x>", 0},
        {"<x>1e</x>", 1},
        {"<x>.</x>", 0},
        {"<x>8</y></x>", 0},         // a closing tag of another element is a value token
        {"<x></x>", 0},
        {"<X>9</X>", 9},             // tags are matched after lower-casing
        {"<<x>5</x>", 5},            // a second '<' starts a new token
        {"<x>6<y>7</y></x>", 6},     // elements open inside value elements too
    };
    for (const auto& test : cases) {
        const auto d = read(inPoint(test.body));
        EXPECT_EQ(d->strokeCount, 1) << test.body;
        EXPECT_EQ(pointCount(*d, 0), 1) << test.body;
        EXPECT_FLOAT_EQ(point(*d, 0, 0).x, test.x) << test.body;
    }
}

TEST(GmlReader, TimeElementsCloseEachOther)
{
    const struct {
        const char* body;
        float time;
    } cases[] = {
        {"<time>3</time>", 3}, {"<t>3</t>", 3}, {"<time>4</t> 9", 4}, {"<t>5</time> 9", 5}, {"<T>6</T>", 6}, {"", 0},
    };
    for (const auto& test : cases) {
        const auto d = read(inPoint(test.body));
        EXPECT_FLOAT_EQ(d->strokes[0].times[0], test.time) << test.body;
    }
}

TEST(GmlReader, SpecAttribute)
{
    const struct {
        const char* text;
        const char* spec;
    } cases[] = {
        {"<gml spec=\"1.0\">", "1.0"},
        {"<gml spec='0.1b'>", "0.1b"},
        {"<gml spec=\"a'b\">", "a"},            // a quote of either kind ends it
        {"<gml SPEC=\"1.0\">", ""},             // the name is not lower-cased
        {"<GML spec=\"1.0\">", "1.0"},          // the tag is
        {"<gml spec = \"1.0\">", ""},           // no space around '='
        {"<gml spec=1.0>", ""},                 // no quote: no value
        {"<gml version=\"2\" spec=\"x y\" a=\"b\">", "x y"},
        {"<gml spec=\"1\" spec=\"2\">", "2"},
        {"<gml>", ""},                          // one token that matches nothing
        {"<gml\nspec=\"multi\nline\">", "multi\nline"},
        {"<gml spec=\"0123456789012345678901234567890123456789\">", "0123456789012345678901234567890"},
    };
    for (const auto& test : cases) {
        const auto d = read(std::string(test.text) + inPoint("<x>1</x>") + "</gml>");
        EXPECT_EQ(specText(*d), test.spec) << test.text;
        EXPECT_EQ(d->strokeCount, 1) << test.text;
        EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 1) << test.text;
    }
    EXPECT_EQ(specText(*read("<gml spec=\"cut off")), "cut off");
}

TEST(GmlReader, Comments)
{
    const struct {
        const char* text;
        int strokes;
    } cases[] = {
        {"<!-- <stroke></stroke> --> <stroke></stroke>", 1},
        {"<!-- joined--> <stroke></stroke> --> <stroke></stroke>", 1}, // "-->" must stand alone
        {"<!--joined <stroke></stroke> --> <stroke></stroke>", 2},     // no comment at all
        {"<stroke><!-- </stroke> --></stroke>", 1},
        {"<!-- never closed <stroke></stroke>", 0},
    };
    for (const auto& test : cases) EXPECT_EQ(read(test.text)->strokeCount, test.strokes) << test.text;
}

TEST(GmlReader, ElementStructure)
{
    const struct {
        const char* text;
        int strokes;
        int firstStrokePoints;
    } cases[] = {
        // Only strokes, points and value elements matter; the rest may be missing.
        {"<stroke><pt></pt><pt></pt></stroke>", 1, 2},
        {"<tag><drawing><stroke><pt></pt></stroke></drawing></tag>", 1, 1},
        // Unknown elements do not nest: their contents count where they stand.
        {"<stroke><brush><pt></pt></brush></stroke>", 1, 1},
        // A stroke tag with attributes is a different token: its points go to the current slot.
        {"<stroke isdrawing=\"false\"><pt></pt></stroke><stroke><pt></pt><pt></pt></stroke>", 1, 2},
        // A missing </pt> swallows the closing stroke tag.
        {"<stroke><pt><x>1</x></stroke></drawing></tag></gml>", 0, 0},
        // Closing tags outside their element are ignored.
        {"</pt></stroke><stroke></x></pt><pt></pt></stroke></stroke>", 1, 1},
        // Cut off before the closing tags: nothing is counted.
        {"<stroke><pt><x>1</x></pt>", 0, 1},
        {"<stroke><pt><x>1</x>", 0, 0},
        {"", 0, 0},
        {"<gml spec=\"1\"><tag><header></header></tag></gml>", 0, 0},
        // Carriage returns around tags make tokens of their own, which are ignored.
        {"<stroke>\r\n<pt>\r\n<x>1</x>\r\n</pt>\r\n</stroke>\r\n", 1, 1},
    };
    for (const auto& test : cases) {
        const auto d = read(test.text);
        EXPECT_EQ(d->strokeCount, test.strokes) << test.text;
        EXPECT_EQ(pointCount(*d, 0), test.firstStrokePoints) << test.text;
    }
}

TEST(GmlReader, ValuesOutsidePointsLandInTheNextPointSlot)
{
    const auto d = read("<gml spec=\"1.0\"><tag><header><environment>"
                        "<screenBounds><x>640</x><y>480</y><z>9</z></screenBounds>"
                        "</environment></header><drawing>"
                        "<stroke><pt><x>0.1</x><y>0.2</y></pt><x>0.3</x></stroke></drawing></tag></gml>");
    ASSERT_EQ(d->strokeCount, 1);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 0.1f);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).y, 0.2f);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).z, 9.0f) << "a z the point does not give keeps the header's";
    EXPECT_EQ(pointCount(*d, 0), 1);
    EXPECT_FLOAT_EQ(point(*d, 0, 1).x, 0.3f) << "after the point: into the next slot";
}

TEST(GmlReader, CutOffInsideAValueElement)
{
    // Cut after the number and a space: the empty last token stores 0.
    EXPECT_FLOAT_EQ(point(*read("<stroke><pt><x>0.7 "), 0, 0).x, 0.0f);
    // Cut right after the number: the number is the last token.
    EXPECT_FLOAT_EQ(point(*read("<stroke><pt><x>0.7"), 0, 0).x, 0.7f);
}

TEST(GmlReader, ReadingAgainResetsOnlySpecAndStrokeCount)
{
    auto d = read("<gml spec=\"old\">" + inPoint("<x>1</x><y>2</y><time>5</time>") + inPoint("<x>3</x>"));
    ASSERT_EQ(d->strokeCount, 2);
    readDrawingText(std::string_view("<stroke><pt><y>7</y></pt></stroke>"), *d);
    EXPECT_EQ(specText(*d), "");
    EXPECT_EQ(d->strokeCount, 1);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 1) << "fields the file does not give keep their content";
    EXPECT_FLOAT_EQ(point(*d, 0, 0).y, 7);
    EXPECT_FLOAT_EQ(d->strokes[0].times[0], 5) << "a point without time keeps the slot's time";
    EXPECT_FLOAT_EQ(point(*d, 1, 0).x, 3);

    // A read that ended inside a value element does not leak into the next read.
    read("<stroke><pt><x>");
    const auto fresh = read("<stroke><pt> 9 </pt></stroke>");
    EXPECT_FLOAT_EQ(point(*fresh, 0, 0).x, 0);
}

TEST(GmlReader, LimitsDropTheExcess)
{
    std::string manyStrokes;
    for (int s = 0; s < 70; ++s) manyStrokes += inPoint("<x>" + std::to_string(s) + "</x>");
    const auto d = read(manyStrokes);
    EXPECT_EQ(d->strokeCount, maxStrokes);
    EXPECT_FLOAT_EQ(point(*d, 63, 0).x, 63);

    std::string manyPoints = "<stroke>";
    for (int p = 0; p < 600; ++p) manyPoints += "<pt><x>" + std::to_string(p) + "</x><t>" + std::to_string(p) + "</t></pt>";
    manyPoints += "</stroke><stroke><pt><x>-1</x></pt></stroke>";
    const auto e = read(manyPoints);
    EXPECT_EQ(e->strokeCount, 2);
    EXPECT_EQ(pointCount(*e, 0), maxPoints);
    EXPECT_FLOAT_EQ(point(*e, 0, 511).x, 511);
    EXPECT_FLOAT_EQ(e->strokes[0].times[511], 511);
    EXPECT_FLOAT_EQ(point(*e, 1, 0).x, -1);

    // A number token longer than the buffer keeps its first 63 bytes.
    const auto f = read(inPoint("<x>" + std::string(100, '1') + "</x>"));
    EXPECT_FLOAT_EQ(point(*f, 0, 0).x, static_cast<float>(std::stod(std::string(63, '1'))));
    // An attribute name and value longer than the buffers.
    const auto g = read("<gml " + std::string(200, 'n') + "=\"" + std::string(200, 'v') + "\" spec=\"ok\">" + inPoint(""));
    EXPECT_EQ(specText(*g), "ok");
    EXPECT_EQ(g->strokeCount, 1);
}

TEST(GmlReader, DeepNestingNeedsNoStack)
{
    std::string text;
    for (int i = 0; i < 300000; ++i) text += "<tag>";
    text += inPoint("<x>0.5</x>");
    for (int i = 0; i < 300000; ++i) text += "</tag>";
    const auto d = read(text);
    EXPECT_EQ(d->strokeCount, 1);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 0.5f);

    std::string points;
    for (int i = 0; i < 200000; ++i) points += "<pt>";
    EXPECT_EQ(read("<stroke>" + points)->strokeCount, 0);
}

TEST(GmlReader, ZeroByteEndsATokenForMatching)
{
    using namespace std::string_literals;
    EXPECT_EQ(read("<!--\0junk <stroke></stroke> --> <stroke></stroke>"s)->strokeCount, 1);
    EXPECT_EQ(specText(*read("<gml\0junk spec=\"z\">"s)), "z");
}

// --- files ---------------------------------------------------------------------------------

// Standard input from /dev/null while a load runs, so a key wait can never block a test.
class NoTerminalInput {
public:
    NoTerminalInput() : saved_(dup(STDIN_FILENO))
    {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        close(null);
    }
    ~NoTerminalInput()
    {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

TEST(LoadDrawing, MissingFileOrRecord)
{
    NoTerminalInput input;
    auto d = read(inPoint("<x>1</x>"));
    testing::internal::CaptureStderr();
    loadDrawing("no/such/file.gml", d.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR!!! no/such/file.gml NOT FOUND!!\n");
    EXPECT_EQ(d->strokeCount, 1) << "the record is left as it was";

    testing::internal::CaptureStderr();
    loadDrawing(VELQ_FIXTURES_DIR "/gml/minimal.gml", nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "NO GRAPH TO LOAD INTO!\n");
}

struct SampleFile {
    const char* name;
    int strokes;
    int points; // over all counted strokes
};

// Stroke and point counts checked against xmllint's count of the elements; the exceptions
// are explained beside them.
constexpr SampleFile sampleFiles[] = {
    {"minimal.gml", 1, 1},
    // The first stroke tag carries an attribute, so that stroke is not opened or counted and
    // the next stroke reuses its slot: 3 of 4 strokes, 5 of 6 points.
    {"spec_example.gml", 3, 5},
    {"TemptAtoZ.gml", 39, 167},
    {"temptTag-2010_6_7_14_52_1.gml", 3, 15},
    {"temptTag-2010_6_7_15_20_32.gml", 3, 14},
    {"temptTag-2010_7_28_14_57_23.gml", 5, 14},
    {"temptTag-2010_7_28_15_52_19.gml", 3, 13},
    {"temptTag-2010_7_29_12_47_46.gml", 4, 20},
    {"temptTag-2010_7_29_15_10_7.gml", 6, 28},
    {"temptTag-2010_7_30_16_3_46.gml", 4, 11},
    {"temptTag-2010_8_26_18_49_3.gml", 3, 12},
};

TEST(LoadDrawing, SampleFilesFromElsewhere)
{
    for (const SampleFile& sample : sampleFiles) {
        auto d = std::make_unique<Drawing>();
        testing::internal::CaptureStderr();
        loadDrawing((std::string(VELQ_FIXTURES_DIR "/gml/") + sample.name).c_str(), d.get());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(d->strokeCount, sample.strokes) << sample.name;
        int points = 0;
        for (int s = 0; s < d->strokeCount; ++s) points += pointCount(*d, s);
        EXPECT_EQ(points, sample.points) << sample.name;
    }
}

TEST(LoadDrawing, SampleFileDetails)
{
    auto d = std::make_unique<Drawing>();
    loadDrawing(VELQ_FIXTURES_DIR "/gml/minimal.gml", d.get());
    EXPECT_EQ(specText(*d), "1.0 (minimum)");

    loadDrawing(VELQ_FIXTURES_DIR "/gml/spec_example.gml", d.get());
    EXPECT_EQ(specText(*d), "1.0");
    EXPECT_EQ(pointCount(*d, 0), 2);
    EXPECT_EQ(pointCount(*d, 1), 2);
    EXPECT_EQ(pointCount(*d, 2), 1);
    EXPECT_FLOAT_EQ(d->strokes[0].times[0], 0.013f);
    EXPECT_FLOAT_EQ(d->strokes[0].times[1], 0.023f);

    // Upper-case root without attributes; screen bounds give only x and y.
    loadDrawing(VELQ_FIXTURES_DIR "/gml/temptTag-2010_6_7_14_52_1.gml", d.get());
    EXPECT_EQ(specText(*d), "");
    EXPECT_FLOAT_EQ(point(*d, 0, 0).x, 0.572298f);
    EXPECT_FLOAT_EQ(point(*d, 0, 0).y, 0.386369f);
    EXPECT_FLOAT_EQ(d->strokes[0].times[3], 222.453018f);
}

TEST(LoadDrawing, RealisticFileWithHeader)
{
    const fs::path path = fs::temp_directory_path() / ("velq_gml_" + std::to_string(getpid()) + ".gml");
    {
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
               "<gml spec=\"1.0\">\r\n"
               "  <tag>\r\n"
               "    <header>\r\n"
               "      <client>\r\n"
               "        <name>Graffiti Analysis</name>\r\n"
               "        <version>3.0</version>\r\n"
               "        <time>1276020000</time>\r\n"
               "      </client>\r\n"
               "      <environment>\r\n"
               "        <up><x>0</x><y>-1</y><z>0</z></up>\r\n"
               "        <screenBounds><x>1280</x><y>800</y><z>0</z></screenBounds>\r\n"
               "      </environment>\r\n"
               "    </header>\r\n"
               "    <drawing>\r\n";
        for (int s = 0; s < 5; ++s) {
            out << "      <stroke>\r\n";
            for (int p = 0; p <= s; ++p)
                out << "        <pt><x>" << 0.1 * s << "</x><y>" << 0.05 * p << "</y><time>" << s + 0.01 * p
                    << "</time></pt>\r\n";
            out << "      </stroke>\r\n";
        }
        out << "    </drawing>\r\n  </tag>\r\n</gml>\r\n";
    }
    auto d = std::make_unique<Drawing>();
    loadDrawing(path.c_str(), d.get());
    fs::remove(path);
    EXPECT_EQ(specText(*d), "1.0");
    ASSERT_EQ(d->strokeCount, 5);
    for (int s = 0; s < 5; ++s) {
        ASSERT_EQ(pointCount(*d, s), s + 1);
        for (int p = 0; p <= s; ++p) {
            EXPECT_FLOAT_EQ(point(*d, s, p).x, static_cast<float>(0.1 * s));
            EXPECT_FLOAT_EQ(point(*d, s, p).y, static_cast<float>(0.05 * p));
            EXPECT_FLOAT_EQ(d->strokes[static_cast<std::size_t>(s)].times[static_cast<std::size_t>(p)],
                            static_cast<float>(s + 0.01 * p));
        }
    }
    EXPECT_FLOAT_EQ(point(*d, 0, 0).z, 0) << "the header's z landed in point 0 and was 0";
}

} // namespace
} // namespace velq
