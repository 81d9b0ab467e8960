// The leading number of a stored text ("Wait" values, placement fields, the
// selection window's wait), compared with the C library's reading of the
// same leading characters.
#include "fuzztext.h"

#include "store/tasklayout.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace velmora;

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Blanks, an optional sign, digits with an optional fraction: the number's
// characters without the blanks, or "" when there is no digit.
std::string leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    std::string number;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        number += char(text[i++].unicode());
    bool digits = false;
    while (i < text.size() && isDigit(text[i])) {
        number += char(text[i++].unicode());
        digits = true;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        number += '.';
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            number += char(text[i++].unicode());
            digits = true;
        }
    }
    return digits ? number : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    const double value = numericValue(text);
    FUZZ_CHECK(!std::isnan(value));

    const std::string number = leadingNumber(text);
    if (number.empty()) {
        FUZZ_CHECK(value == 0);
    } else {
        const double expected = std::strtod(number.c_str(), nullptr);
        if (std::isinf(expected)) {
            FUZZ_CHECK(value == expected);
        } else {
            // Digit by digit loses a little precision, never the magnitude.
            FUZZ_CHECK(std::fabs(value - expected) <= 1e-9 * std::fabs(expected) + 1e-300);
        }
    }

    // A "Wait" value: "DW" first means don't wait, anything else its number.
    const double mode = waitMode(text);
    if (isDontWait(text)) FUZZ_CHECK(mode == kDontWait);
    else FUZZ_CHECK(mode == value);
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        const long long rounded = roundHalfEven(value);
        FUZZ_CHECK(std::fabs(double(rounded) - value) <= 0.5);
    }
    return 0;
}
