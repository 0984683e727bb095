#include "files/ShortestNumber.h"

#include <charconv>

namespace vexlar::files {

namespace {

// Longer than any shortest form of a double ("-2.2250738585072014e-308").
constexpr int kLongestShortest = 32;

template <class Number>
void Append(std::string& text, Number value)
{
    char buffer[kLongestShortest];
    // to_chars without a precision gives the shortest round-trip form and
    // never looks at the process locale.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

}  // namespace

void AppendShortest(std::string& text, double value)
{
    Append(text, value);
}

void AppendShortest(std::string& text, float value)
{
    Append(text, value);
}

std::string ShortestText(double value)
{
    std::string text;
    AppendShortest(text, value);
    return text;
}

std::string ShortestText(float value)
{
    std::string text;
    AppendShortest(text, value);
    return text;
}

}  // namespace vexlar::files
