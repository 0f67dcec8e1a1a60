#!/usr/bin/env python3
"""Prints C++ Shift-JIS string literals for the engine's texts.

Usage: tools/sjis_literal.py NAME=TEXT=ENGLISH ...
Each argument becomes one line
`constexpr EngineText NAME { "<sjis escapes>", "TEXT", "ENGLISH" };` ready to paste into
src/common/engine_texts.h; ENGLISH is the reading shown under the text with --messages ja+en.
"""
import sys


def literal(text):
    out, after_escape = "", False
    for byte in text.encode("cp932"):
        if byte >= 0x80:
            out += "\\x%02x" % byte
            after_escape = True
            continue
        char = chr(byte)
        if after_escape and char in "0123456789abcdefABCDEF":
            out += '" "'
        out += {"\n": "\\n", '"': '\\"', "\\": "\\\\"}.get(char, char)
        after_escape = False
    return '"' + out + '"'


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace("\n", "\\n").replace('"', '\\"') + '"'


for argument in sys.argv[1:]:
    name, _, rest = argument.partition("=")
    text, _, english = rest.partition("=")
    if not english:
        sys.exit(f"{name}: give the English reading after a second '='")
    print(f"constexpr EngineText {name} {{ {literal(text)}, {quoted(text)}, {quoted(english)} }};")
