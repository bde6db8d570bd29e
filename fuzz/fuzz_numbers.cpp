// Number syntax, integer conversion and the fixed-point forms on arbitrary text.
#include "core/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    double value = 0;
    const bool isNumber = vindelor::IsNumber(text);
    if (vindelor::ParseNumber(text, &value) && !isNumber)
        std::abort();
    if (isNumber && vindelor::ParseNumber(text, &value)) {
        // Whatever was accepted prints back as a number the syntax accepts again.
        const QString printed = vindelor::FixedPointText(value, 9, 4).trimmed();
        if (std::fabs(value) < 1e15 && !vindelor::IsNumber(printed))
            std::abort();
    }
    int converted = 0;
    (void)vindelor::ConvertInteger(text, &converted);
    (void)vindelor::LeadingWholeNumber(text);
    (void)vindelor::TwoDigitText(vindelor::LeadingWholeNumber(text));
    (void)vindelor::FirstCommaToPoint(text);
    return 0;
}
