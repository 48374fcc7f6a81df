#pragma once
// A numeric option of a command line that takes a whole decimal number within bounds, the
// same in every program: the help shows the bound and a refusal names it in words, not in
// CLI11's own range text. Include it from the one file of a program that includes CLI11.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/whole_number.h"

namespace cli {

template <typename T> struct OptionValue { using type = T; };
template <typename T> struct OptionValue<std::optional<T>> { using type = T; };

// `target` is a number, or an optional number that stays empty unless the option is given.
template <typename T>
CLI::Option* AddBoundedNumber(CLI::App& app, const std::string& name, T& target, int64_t low,
                              int64_t high, const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [&target, name, low, high](const std::string& text) {
                int64_t value = 0;
                if (!ParseWholeNumber(text, low, high, value))
                    throw CLI::ValidationError(name, WholeNumberExpected(text, low, high));
                target = static_cast<typename OptionValue<T>::type>(value);
            },
            description + " (" + WholeNumberBound(low, high) + ")")
        ->type_name("N");
}

} // namespace cli
