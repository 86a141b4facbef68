#include "gml/gml_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "shell/keyboard.h"

namespace velq {

namespace {

// Token and attribute buffers hold 63 bytes and a terminating zero; longer ones are cut short
// (the excess bytes are read and dropped).
constexpr std::size_t tokenSize = 64;
using Token = std::array<char, tokenSize>;

enum class ValueTarget : std::uint8_t { none, x, y, z, time };

// The recognised elements that own a children loop, each closed by its own token(s).
enum class Element : std::uint8_t { gml, tag, drawing, stroke, pt, x, y, z, time };

// Reader state: the record being filled while a file is read, and where the next value goes.
Drawing* gmlTarget = nullptr;
ValueTarget valueTarget = ValueTarget::none;

// A byte stream with the semantics of a buffered file: the end state is set only by a read
// that finds no byte, and pushing a byte back clears it.
struct GmlStream {
    std::span<const char> bytes;
    std::size_t position = 0;
    bool atEnd = false;

    int get()
    {
        if (position < bytes.size()) return static_cast<unsigned char>(bytes[position++]);
        atEnd = true;
        return EOF;
    }
    void pushBack()
    {
        --position;
        atEnd = false;
    }
};

constexpr bool isWhitespace(int c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Compared as C text: a zero byte read from the file ends the token there.
bool tokenIs(const Token& token, const char* text)
{
    return std::strcmp(token.data(), text) == 0;
}

// Appends a byte unless the buffer is full (the last byte stays for the terminating zero).
void append(Token& buffer, std::size_t& length, int c)
{
    if (length < tokenSize - 1) buffer[length++] = static_cast<char>(c);
}

void readToken(GmlStream& file, Token& token)
{
    std::size_t length = 0;
    std::size_t collected = 0;
    bool endedByEof = false;
    int c = file.get();
    while (c != EOF && isWhitespace(c)) c = file.get();
    if (c == EOF) {
        endedByEof = true;
    } else {
        for (;; c = file.get()) {
            if (c == EOF) {
                endedByEof = true;
                break;
            }
            if (isWhitespace(c)) break;
            if (c == '>') {
                append(token, length, c);
                break;
            }
            if (c == '<' && collected > 0) {
                file.pushBack();
                break;
            }
            append(token, length, c);
            ++collected;
        }
    }
    token[length] = '\0';
    // A token cut off by the end of the file keeps its case.
    if (!endedByEof) {
        for (std::size_t i = 0; i < length; ++i)
            if (token[i] >= 'A' && token[i] <= 'Z') token[i] = static_cast<char>(token[i] - 'A' + 'a');
    }
}

void readAttribute(GmlStream& file, Token& name, Token& value)
{
    std::size_t nameLength = 0;
    std::size_t valueLength = 0;
    int c = file.get();
    while (c != EOF && isWhitespace(c)) c = file.get();
    bool endedAtEquals = false;
    for (; c != EOF; c = file.get()) {
        if (isWhitespace(c)) break;
        if (c == '>') {
            file.pushBack();
            break;
        }
        if (c == '=') {
            endedAtEquals = true;
            break;
        }
        append(name, nameLength, c);
    }
    if (endedAtEquals) {
        // No escapes: the value runs to the next quote of either kind.
        c = file.get();
        if (c == '"' || c == '\'') {
            for (c = file.get(); c != EOF && c != '"' && c != '\''; c = file.get()) append(value, valueLength, c);
        }
    }
    name[nameLength] = '\0';
    value[valueLength] = '\0';
}

// The decimal prefix of the text as atof reads it (blanks skipped, optional sign, digits with an
// optional fraction and exponent), 0 when there is none. Hexadecimal, inf and nan are not
// numbers here.
float tokenValue(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    bool anyDigit = p != digits;
    if (*p == '.') {
        const char* fraction = ++p;
        while (*p >= '0' && *p <= '9') ++p;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') ++q;
            p = q;
        }
    }
    const std::string prefix(start, p);
    return static_cast<float>(std::strtod(prefix.c_str(), nullptr));
}

// The current stroke and point of the target; nothing when a limit has been reached, so
// values past 64 strokes or 512 points are dropped.
Stroke* currentStroke()
{
    const std::int32_t index = gmlTarget->strokeCount;
    if (index < 0 || index >= maxStrokes) return nullptr;
    return &gmlTarget->strokes[static_cast<std::size_t>(index)];
}

void storeValue(const Token& token)
{
    Stroke* stroke = currentStroke();
    if (stroke == nullptr || stroke->pointCount < 0 || stroke->pointCount >= maxPoints) return;
    const auto point = static_cast<std::size_t>(stroke->pointCount);
    const float value = tokenValue(token.data());
    switch (valueTarget) {
    case ValueTarget::x: stroke->points[point].x = value; break;
    case ValueTarget::y: stroke->points[point].y = value; break;
    case ValueTarget::z: stroke->points[point].z = value; break;
    case ValueTarget::time: stroke->times[point] = value; break;
    case ValueTarget::none: break;
    }
}

void readGmlAttributes(GmlStream& file)
{
    if (file.atEnd) return;
    Token name{};
    Token value{};
    do {
        readAttribute(file, name, value);
        if (std::strcmp(name.data(), "spec") == 0) {
            // Plain text, cut to what the record holds.
            std::size_t i = 0;
            for (; i < specTextSize - 1 && value[i] != '\0'; ++i) gmlTarget->specText[i] = value[i];
            gmlTarget->specText[i] = '\0';
        }
    } while (name[0] != '\0' && !file.atEnd);
}

// The token that ends an element's children loop ("</time>" and "</t>" both end either kind).
bool closes(Element element, const Token& token)
{
    switch (element) {
    case Element::gml: return tokenIs(token, "</gml>");
    case Element::tag: return tokenIs(token, "</tag>");
    case Element::drawing: return tokenIs(token, "</drawing>");
    case Element::stroke: return tokenIs(token, "</stroke>");
    case Element::pt: return tokenIs(token, "</pt>");
    case Element::x: return tokenIs(token, "</x>");
    case Element::y: return tokenIs(token, "</y>");
    case Element::z: return tokenIs(token, "</z>");
    case Element::time: return tokenIs(token, "</time>") || tokenIs(token, "</t>");
    }
    return false;
}

void closeElement(Element element)
{
    switch (element) {
    case Element::stroke:
        if (gmlTarget->strokeCount < maxStrokes) ++gmlTarget->strokeCount;
        break;
    case Element::pt:
        if (Stroke* stroke = currentStroke(); stroke != nullptr && stroke->pointCount < maxPoints)
            ++stroke->pointCount;
        break;
    case Element::x:
    case Element::y:
    case Element::z:
    case Element::time: valueTarget = ValueTarget::none; break;
    case Element::gml:
    case Element::tag:
    case Element::drawing: break;
    }
}

// One token at the level of the innermost open element. A recognised opening tag does its
// opening action and becomes the innermost element; its children are the tokens that follow
// until its closing token. The open elements are kept on an explicit stack rather than the
// call stack, so nesting depth is bounded by the file's size, not the machine's stack.
void parseElement(GmlStream& file, const Token& token, std::vector<Element>& open)
{
    if (tokenIs(token, "<!--")) {
        // The tokens of a comment are not parsed.
        Token skipped{};
        while (!file.atEnd) {
            readToken(file, skipped);
            if (tokenIs(skipped, "-->")) break;
        }
    } else if (tokenIs(token, "<gml")) {
        readGmlAttributes(file);
        open.push_back(Element::gml);
    } else if (tokenIs(token, "<tag>")) {
        open.push_back(Element::tag);
    } else if (tokenIs(token, "<drawing>")) {
        open.push_back(Element::drawing);
    } else if (tokenIs(token, "<stroke>")) {
        if (Stroke* stroke = currentStroke()) stroke->pointCount = 0;
        open.push_back(Element::stroke);
    } else if (tokenIs(token, "<pt>")) {
        open.push_back(Element::pt);
    } else if (tokenIs(token, "<x>")) {
        valueTarget = ValueTarget::x;
        open.push_back(Element::x);
    } else if (tokenIs(token, "<y>")) {
        valueTarget = ValueTarget::y;
        open.push_back(Element::y);
    } else if (tokenIs(token, "<z>")) {
        valueTarget = ValueTarget::z;
        open.push_back(Element::z);
    } else if (tokenIs(token, "<time>") || tokenIs(token, "<t>")) {
        valueTarget = ValueTarget::time;
        open.push_back(Element::time);
    } else if (valueTarget != ValueTarget::none) {
        // Every other token between a value element's tags is stored in turn: the last wins.
        storeValue(token);
    }
}

// Reads tokens to the end of the file. The innermost open element's closing token does its
// closing action; any other token goes to parseElement. At the end of the file every element
// still open loses its closing action.
void readGml(GmlStream& file)
{
    valueTarget = ValueTarget::none;
    std::vector<Element> open;
    Token token{};
    while (!file.atEnd) {
        readToken(file, token);
        if (!open.empty() && closes(open.back(), token)) {
            closeElement(open.back());
            open.pop_back();
        } else {
            parseElement(file, token, open);
        }
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Waits for one key, but only with someone at a terminal to press it.
void waitForKey()
{
    if (isatty(STDIN_FILENO)) readKey();
}

} // namespace

void readDrawingText(std::span<const char> text, Drawing& drawing)
{
    gmlTarget = &drawing;
    drawing.strokeCount = 0;
    drawing.specText[0] = '\0';
    GmlStream stream{text};
    readGml(stream);
    gmlTarget = nullptr;
}

void loadDrawing(const char* path, Drawing* drawing)
{
    const std::unique_ptr<std::FILE, FileCloser> file{std::fopen(path, "rb")};
    if (!file) {
        std::fprintf(stderr, "ERROR!!! %s NOT FOUND!!\n", path);
        waitForKey();
        return;
    }
    if (drawing == nullptr) {
        std::fprintf(stderr, "NO GRAPH TO LOAD INTO!\n");
        waitForKey();
        return;
    }
    std::vector<char> text;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) text.insert(text.end(), chunk, chunk + got);
    readDrawingText(text, *drawing);
}

} // namespace velq
