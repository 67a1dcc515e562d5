#!/usr/bin/env python3
"""Finds narrow string literals holding non-ASCII text in C++ sources.

The program's narrow literals are GBK bytes, written in UTF-8 source as
"端口"_gbk (codec/gbk_literal.h). A narrow literal with non-ASCII text and no
_gbk suffix would compile to UTF-8 bytes instead.

  gbk_literals.py check PATH...   lists every such literal, exits 1 if any
  gbk_literals.py fix PATH...     appends _gbk to each of them in place

A PATH that is a folder stands for every .cpp and .h file under it.
"""
import os
import sys


def literals(text):
    """Yields (start, end) of every narrow string literal token, suffix excluded."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            i = text.find("*/", i + 2)
            i = n if i < 0 else i + 2
        elif c == "'" and not (i > 0 and (text[i - 1].isalnum())):  # a character literal, not 1'000
            i += 1
            while i < n and text[i] != "'":
                i += 2 if text[i] == "\\" else 1
            i += 1
        elif c == '"':
            # The prefix: letters right before the quote (u8, u, U, L, R, u8R...).
            j = i
            while j > 0 and (text[j - 1].isalnum() or text[j - 1] == "_"):
                j -= 1
            prefix = text[j:i]
            if prefix.endswith("R"):
                delim_end = text.find("(", i)
                delim = text[i + 1:delim_end]
                close = text.find(")" + delim + '"', delim_end)
                i = close + len(delim) + 2
                continue
            start = i
            i += 1
            while i < n and text[i] != '"':
                i += 2 if text[i] == "\\" else 1
            i += 1
            # QStringLiteral("...") is a UTF-16 literal in disguise.
            qt = text[:j].rstrip().endswith("QStringLiteral(")
            if (prefix == "" or prefix == "_gbk") and not qt:  # "a""b": the previous literal's suffix is no prefix
                yield start, i
        else:
            i += 1


def unsuffixed(text):
    for start, end in literals(text):
        body = text[start:end]
        if any(ord(ch) > 127 for ch in body) and not text.startswith("_gbk", end):
            yield start, end


def sources(paths):
    for path in paths:
        if not os.path.isdir(path):
            yield path
            continue
        for root, _, names in sorted(os.walk(path)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    yield os.path.join(root, name)


def main():
    mode, files = sys.argv[1], list(sources(sys.argv[2:]))
    found = 0
    for path in files:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        spots = list(unsuffixed(text))
        found += len(spots)
        if mode == "check":
            for start, end in spots:
                line = text.count("\n", 0, start) + 1
                print(f"{path}:{line}: {text[start:end]} needs _gbk")
        elif spots:
            for start, end in reversed(spots):
                text = text[:end] + "_gbk" + text[end:]
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
    if mode == "check" and found:
        return 1
    if mode == "check":
        print(f"gbk literals: {len(files)} files, every non-ASCII narrow literal is GBK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
