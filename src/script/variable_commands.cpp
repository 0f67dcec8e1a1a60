// Expressions and the commands that assign variables.
#include "script/variable_commands.h"

#include "common/engine_texts.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "script/interpreter.h"
#include "script/line_reader.h"

#include <cmath>
#include <limits>
#include <string>

namespace advplay::script {

namespace {

constexpr std::int32_t kSmallest = std::numeric_limits<std::int32_t>::min();

std::int32_t wrap(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Gives the variable `name` a number as ".let name = value" would: a string variable takes its
// digits.
void let_value(Engine& engine, std::string_view name, std::int32_t value)
{
    switch (engine.variables.kind(name)) {
    case VariableKind::None:
        break;
    case VariableKind::Integer:
        if (engine.variables.assign_int(name, value))
            return;
        break;
    case VariableKind::String:
        if (!engine.variables.assign_string(name, std::to_string(value)))
            script_error(engine, texts::kStringsTooLarge.sjis);
        return;
    }
    script_error(engine, texts::kAssignToMissingVariable.sjis);
}

} // namespace

std::int32_t apply_operator(char op, std::int32_t left, std::int32_t right)
{
    switch (op) {
    case '+':
        return wrap(std::int64_t { left } + right);
    case '-':
        return wrap(std::int64_t { left } - right);
    case '*':
        return wrap(std::int64_t { left } * right);
    case '/':
        if (right == 0)
            return 0;
        return wrap(std::int64_t { left } / right);
    case '%':
        if (right == 0)
            return 0;
        return wrap(std::int64_t { left } % right);
    case '^': {
        double const power = std::trunc(std::pow(static_cast<double>(left), static_cast<double>(right)));
        if (!(power >= -2147483648.0 && power <= 2147483647.0))
            return kSmallest;
        return static_cast<std::int32_t>(power);
    }
    default:
        return left;
    }
}

std::int32_t evaluate(Engine& engine)
{
    std::int32_t result = next_int(engine);
    for (;;) {
        next_string(engine);
        bool const end_of_line = engine.interpreter.token.empty();
        char const op = engine.interpreter.token[0];
        std::int32_t const operand = next_int(engine);
        if (end_of_line)
            return result;
        result = apply_operator(op, result, operand);
    }
}

bool assign_variable(Engine& engine, std::string_view name)
{
    switch (engine.variables.kind(name)) {
    case VariableKind::None:
        return false;
    case VariableKind::Integer:
        return engine.variables.assign_int(name, evaluate(engine));
    case VariableKind::String:
        // An expansion refused as too long has been reported; the variable keeps its value.
        next_token(engine);
        if (!expand_brackets(engine, engine.interpreter.token))
            return true;
        if (!engine.variables.assign_string(name, engine.interpreter.token.view()))
            script_error(engine, texts::kStringsTooLarge.sjis);
        return true;
    }
    return false;
}

void let_command(Engine& engine)
{
    next_string(engine);
    std::string const name(engine.interpreter.token.view());
    next_string(engine); // the "=" that scripts write; any token is accepted
    if (!assign_variable(engine, name))
        script_error(engine, texts::kAssignToMissingVariable.sjis);
}

void random_command(Engine& engine)
{
    next_string(engine);
    std::string const name(engine.interpreter.token.view());
    next_string(engine);
    std::int32_t const low = next_int(engine);
    next_string(engine);
    std::int32_t const high = next_int(engine);
    std::uint32_t const output = engine.random.next();
    // The range size is taken modulo 2^32: the full range and an empty one (high = low - 1) both
    // give 0, and then every output is allowed instead of a division by zero.
    std::uint32_t const size = static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low) + 1u;
    std::uint32_t const offset = size == 0 ? output : output % size;
    let_value(engine, name, static_cast<std::int32_t>(static_cast<std::uint32_t>(low) + offset));
}

void now_command(Engine& engine)
{
    platform::LocalTime const time = engine.platform.clock.local_time();
    next_string(engine);
    std::string const name(engine.interpreter.token.view());
    next_string(engine);
    next_string(engine);
    std::string_view const item = engine.interpreter.token.view();
    std::int32_t value = 0;
    if (item == "year")
        value = time.year;
    else if (item == "month")
        value = time.month;
    else if (item == "day")
        value = time.day;
    else if (item == "weekday")
        value = time.weekday;
    else if (item == "hour")
        value = time.hour;
    else if (item == "minute")
        value = time.minute;
    else if (item == "second")
        value = time.second;
    else if (item == "millisecond")
        value = time.millisecond;
    else if (item == "systemtime")
        value = static_cast<std::int32_t>(engine.platform.clock.now());
    let_value(engine, name, value);
}

} // namespace advplay::script
