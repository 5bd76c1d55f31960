// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/TextFormat.h"

#include "engine/text/StringTable.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

std::string WithThousands(int64_t value) {
    std::string digits =
        std::to_string(value < 0 ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    std::string out;
    int lead = static_cast<int>(digits.size() % 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && static_cast<int>(i % 3) == lead) out += Texts::ThousandSeparator;
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}

std::string UpperHex(int64_t value) {
    // Negative numbers print as their 32-bit pattern, as a 32-bit program would.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llX",
                  static_cast<unsigned long long>(value < 0 ? static_cast<uint32_t>(value) : value));
    return buffer;
}

std::string Pad(std::string text, int width, bool left) {
    if (static_cast<int>(text.size()) >= width) return text;
    std::string fill(width - text.size(), ' ');
    return left ? text + fill : fill + text;
}

} // namespace

std::string FormatText(std::string_view format, std::initializer_list<TFormatArg> args) {
    std::string out;
    auto next = args.begin();
    auto number = [&]() -> int64_t {
        if (next == args.end()) return 0;
        const TFormatArg& arg = *next++;
        if (const int64_t* value = std::get_if<int64_t>(&arg)) return *value;
        return std::strtoll(std::get<std::string>(arg).c_str(), nullptr, 10);
    };
    auto text = [&]() -> std::string {
        if (next == args.end()) return {};
        const TFormatArg& arg = *next++;
        if (const std::string* value = std::get_if<std::string>(&arg)) return *value;
        return std::to_string(std::get<int64_t>(arg));
    };

    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        bool left = false;
        if (j < format.size() && format[j] == '-') {
            left = true;
            ++j;
        }
        int width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            width = width * 10 + (format[j++] - '0');
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9')
                ++j;
        }
        if (j >= format.size()) { // a lone '%' at the end stays as it is
            out += format.substr(i);
            break;
        }
        std::string piece;
        switch (format[j]) {
        case 's':
            piece = text();
            break;
        case 'd':
            piece = std::to_string(number());
            break;
        case 'x':
            piece = UpperHex(number());
            break;
        case 'n':
            piece = WithThousands(number());
            break;
        default:
            piece = std::string(format.substr(i, j - i + 1));
            break;
        }
        out += Pad(std::move(piece), width, left);
        i = j;
    }
    return out;
}

int ProgressPercent(int64_t done, int64_t total) {
    if (total == 0) return 100;
    // round(100 * done / total), halves to even, in integers so that no double rounding creeps in
    int64_t numerator = 100 * done;
    int64_t quotient = numerator / total;
    int64_t twiceRest = 2 * (numerator % total);
    if (twiceRest > total || (twiceRest == total && (quotient & 1))) ++quotient;
    return static_cast<int>(quotient);
}

namespace {
bool LocalTime(int64_t seconds, tm& local) {
    const time_t time = static_cast<time_t>(seconds);
    return localtime_r(&time, &local) != nullptr;
}
} // namespace

std::string FormatFileTime(int64_t seconds) {
    tm local{};
    if (!LocalTime(seconds, local)) return std::string();
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d%c%02d%c%02d %02d%c%02d%c", local.tm_mon + 1,
                  Texts::DateSeparator, local.tm_mday, Texts::DateSeparator, local.tm_year % 100, hour,
                  Texts::TimeSeparator, local.tm_min, local.tm_hour < 12 ? 'a' : 'p');
    return buffer;
}

std::string FormatIsoTime(int64_t seconds) {
    tm local{};
    if (!LocalTime(seconds, local)) return std::string();
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &local);
    return buffer;
}
