// Line reader: tokens, numbers and bracket references.
#include "script/line_reader.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"
#include "engine/engine.h"
#include "script/interpreter.h"
#include "script/variables.h"

#include <charconv>
#include <limits>

namespace advplay::script {

bool read_next_line(Engine& engine)
{
    auto line = engine.store.read_next_line();
    if (!line)
        return false;
    engine.interpreter.current_line.assign(*line);
    return true;
}

void next_token(Engine& engine)
{
    ScriptString& line = engine.interpreter.current_line;
    ScriptString& token = engine.interpreter.token;
    token.clear();
    const char* const begin = line.c_str();
    const char* p = begin;
    while (*p == ' ' || *p == '\t')
        ++p;
    // Copy runs of plain bytes at once; quotes split the runs and are dropped.
    const char* run = p;
    bool quoted = false;
    for (;;) {
        char const c = *p;
        if (c == '\t' || c == '\0' || c == '\n' || (c == ' ' && !quoted))
            break;
        if (c == '"') {
            token.append({ run, static_cast<std::size_t>(p - run) });
            quoted = !quoted;
            run = ++p;
            continue;
        }
        if (is_lead_byte(c) && p[1] != '\0')
            ++p;
        ++p;
    }
    token.append({ run, static_cast<std::size_t>(p - run) });
    line.drop_front(p - begin);
}

void next_string(Engine& engine)
{
    next_token(engine);
    expand_brackets(engine, engine.interpreter.token);
}

std::int32_t next_int(Engine& engine)
{
    next_string(engine);
    return int_value(engine, engine.interpreter.token.view());
}

bool is_number(std::string_view text)
{
    std::size_t i = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        i = 1;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

namespace {

// The value of a text that is_number accepts.
std::int32_t number_value(std::string_view text)
{
    bool const negative = text[0] == '-';
    if (text[0] == '+' || text[0] == '-')
        text.remove_prefix(1);
    std::int64_t value = 0;
    for (char digit : text) {
        value = value * 10 + (digit - '0');
        if (value > std::int64_t { std::numeric_limits<std::int32_t>::max() } + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void append_decimal(std::string& out, std::int32_t value)
{
    char digits[16];
    auto const result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// A reference "value^width": the value padded with zeros to at least width digits.
std::string padded_value(Engine& engine, std::string_view reference, std::size_t caret)
{
    std::int32_t const value = int_value(engine, reference.substr(0, caret));
    std::size_t const width = reference.size() - caret - 1;
    std::string digits;
    append_decimal(digits, value);
    std::string result;
    if (value < 0) {
        result += '-';
        digits.erase(0, 1);
    }
    if (digits.size() < width)
        result.append(width - digits.size(), '0');
    result += digits;
    return result;
}

std::string reference_value(Engine& engine, std::string_view reference)
{
    std::size_t const caret = find_first_sjis(reference, '^');
    if (caret != kNotFound)
        return padded_value(engine, reference, caret);
    std::string result;
    if (is_number(reference)) {
        append_decimal(result, number_value(reference));
        return result;
    }
    if (auto value = find_int(engine, reference)) {
        append_decimal(result, *value);
        return result;
    }
    if (auto text = find_string(engine, reference))
        return *text;
    return std::string(reference);
}

} // namespace

std::int32_t int_value(Engine& engine, std::string_view text)
{
    if (text.empty())
        return 0;
    if (is_number(text))
        return number_value(text);
    if (auto value = find_int(engine, text))
        return *value;
    script_error(engine, texts::kMissingVariable.sjis, "no variable \"" + std::string(text) + "\"");
    return 0;
}

bool expand_brackets(Engine& engine, ScriptString& text)
{
    std::size_t search_from = 0;
    for (;;) {
        std::string_view const whole = text.view();
        std::size_t close = find_first_sjis(whole.substr(search_from), ']');
        if (close == kNotFound)
            return true;
        close += search_from;
        std::size_t const open = find_last_sjis(whole.substr(0, close), '[');
        if (open == kNotFound) {
            search_from = close + 1;
            continue;
        }
        std::string replacement = reference_value(engine, whole.substr(open + 1, close - open - 1));
        // A text that would outgrow the engine's strings stays as it is, and the author is told.
        if (whole.size() - (close + 1 - open) + replacement.size() > ScriptString::kMaxLength) {
            script_error(engine, texts::kExpansionTooLong.sjis);
            return false;
        }
        std::string rebuilt;
        rebuilt.reserve(whole.size() + replacement.size());
        rebuilt.append(whole.substr(0, open));
        rebuilt += replacement;
        rebuilt.append(whole.substr(close + 1));
        text.assign(rebuilt);
        search_from = open + replacement.size();
    }
}

} // namespace advplay::script
