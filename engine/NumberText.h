// Decimal numbers in texts, read and written the same way whatever the C
// library's locale: the option rules and the quantities both use them.
#pragma once

#include <string>
#include <string_view>

// The leading decimal number of `text`, read like atof but always with '.' as the
// decimal point, whatever the C library's locale; 0 when there is none.
double ParseLeadingNumber(std::string_view text);

// printf's "%.<precision>f", always with '.' whatever the C library's locale.
std::string FormatFixedPoint(double value, int precision);
