#!/usr/bin/env python3
"""Prints C++ Shift-JIS string literals for the engine's texts.

Usage: tools/sjis_literal.py NAME=TEXT ...
Each argument becomes one line `constexpr EngineText NAME { "<sjis escapes>", "TEXT" };`
ready to paste into src/common/engine_texts.h.
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


for argument in sys.argv[1:]:
    name, _, text = argument.partition("=")
    shown = text.replace("\\", "\\\\").replace("\n", "\\n").replace('"', '\\"')
    print(f'constexpr EngineText {name} {{ {literal(text)}, "{shown}" }};')
