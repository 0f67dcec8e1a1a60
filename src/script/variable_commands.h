// Expressions and the commands that assign variables: .let, .rnd and .now.
#pragma once

#include <cstdint>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::script {

// Evaluates the rest of current_line strictly left to right: operand, then operator and operand
// pairs until the line ends. Only an operator's first byte counts: + - * / % ^; others are passed
// over with their operand. Arithmetic wraps at 32 bits.
std::int32_t evaluate(Engine& engine);

// One step of arithmetic. Division and remainder by zero give 0, the smallest integer divided by
// -1 wraps to itself, and a power outside the 32-bit range (or with no value) gives the smallest
// integer, which is what the original's float-to-integer conversion produced.
std::int32_t apply_operator(char op, std::int32_t left, std::int32_t right);

// Assigns the expression (integer variable) or the next string argument (string variable) to a
// declared variable; false when the name is not declared.
bool assign_variable(Engine& engine, std::string_view name);

void let_command(Engine& engine);
void random_command(Engine& engine);
void now_command(Engine& engine);

} // namespace advplay::script
