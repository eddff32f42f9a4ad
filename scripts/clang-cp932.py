#!/usr/bin/env python3
"""Compiler launcher that gives clang the Shift-JIS literals that g++ makes with -fexec-charset=CP932.

Clang encodes narrow literals in UTF-8 only and refuses -fexec-charset=CP932. CMake runs every clang compile through
this script (CXX_COMPILER_LAUNCHER). When the command carries that flag, the script drops it and, if the source file
holds ordinary string literals with characters outside ASCII, compiles a copy of it in which each such character is
written as octal escapes of its code page 932 bytes: exactly the bytes g++ stores. A `#line` directive keeps every
diagnostic and __FILE__ on the original file. Comments, u8/u/U/L literals and ASCII text stay as they are.

Only the source file itself is rewritten. Headers are checked after the compile (through the dependency file): a
header of this project with such a literal stops the build, since its bytes would be UTF-8.

Usage (as CMake calls it): clang-cp932.py COMPILER ARGS...
"""

import os
import subprocess
import sys

FLAG = "-fexec-charset=CP932"
PROJECT_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENCODING_PREFIXES = ("u8", "u", "U", "L")
RAW_PREFIXES = ("R", "u8R", "uR", "UR", "LR")


class Unsupported(Exception):
    pass


def octal(ch):
    try:
        data = ch.encode("cp932")
    except UnicodeEncodeError:
        raise Unsupported("U+%04X has no code page 932 form" % ord(ch))
    return "".join("\\%03o" % b for b in data)


def ident_char(ch):
    return ch.isalnum() or ch == "_"


def skip_comment(text, i):
    """The index behind the comment that starts at i, or i when none does."""
    if text.startswith("//", i):
        while True:
            j = text.find("\n", i)
            if j < 0:
                return len(text)
            if text[j - 1] != "\\":  # a backslash at the line end continues the comment
                return j
            i = j + 1
    if text.startswith("/*", i):
        j = text.find("*/", i + 2)
        if j < 0:
            raise Unsupported("unterminated comment")
        return j + 2
    return i


def quoted(text, i, quote, convert):
    """Copies the literal whose opening quote is at i; returns (copy, index behind it)."""
    out = [quote]
    j = i + 1
    while True:
        if j >= len(text) or text[j] == "\n":
            raise Unsupported("unterminated literal at offset %d" % i)
        ch = text[j]
        if ch == quote:
            out.append(ch)
            return "".join(out), j + 1
        if ch == "\\":
            if j + 1 >= len(text):
                raise Unsupported("unterminated literal at offset %d" % i)
            if convert and text[j + 1] in "uU":
                digits = 4 if text[j + 1] == "u" else 8
                code = int(text[j + 2 : j + 2 + digits], 16)
                # An ASCII character is the same byte in both encodings: its escape stays ('\u001F' in toml++).
                out.append(octal(chr(code)) if code > 0x7F else text[j : j + 2 + digits])
                j += 2 + digits
                continue
            out.append(text[j : j + 2])
            j += 2
            continue
        if convert and ord(ch) > 0x7F:
            if quote == "'":
                raise Unsupported("character literal with a non-ASCII character at offset %d" % i)
            out.append(octal(ch))
        else:
            out.append(ch)
        j += 1


def raw(text, i, prefix):
    """Copies the raw literal whose opening quote is at i; returns (copy, index behind it)."""
    open_paren = text.find("(", i)
    delimiter = text[i + 1 : open_paren]
    end = text.find(")" + delimiter + '"', open_paren)
    if open_paren < 0 or end < 0:
        raise Unsupported("unterminated raw literal at offset %d" % i)
    stop = end + len(delimiter) + 2
    body = text[i:stop]
    if prefix == "R" and any(ord(c) > 0x7F for c in body):
        raise Unsupported("raw literal with a non-ASCII character at offset %d" % i)
    return body, stop


def convert(text):
    out = []
    i = 0
    line_start = True
    while i < len(text):
        ch = text[i]
        after = skip_comment(text, i)
        if after != i:
            out.append(text[i:after])
            i = after
            continue
        if line_start and ch == "#":
            # Header names of #include are no literals: the directive line goes out as it stands.
            rest = text[i + 1 :].lstrip(" \t")
            if rest.startswith("include"):
                j = text.find("\n", i)
                j = len(text) if j < 0 else j
                out.append(text[i:j])
                i = j
                continue
        if ch == "\n":
            line_start = True
            out.append(ch)
            i += 1
            continue
        if ch not in " \t":
            line_start = False
        if ch.isdigit() or (ch == "." and i + 1 < len(text) and text[i + 1].isdigit()):
            # A preprocessing number, digit separators (1'000) and exponent signs included.
            j = i + 1
            while j < len(text):
                c = text[j]
                if text[j - 1] in "eEpP" and c in "+-":
                    j += 1
                elif ident_char(c) or c == ".":
                    j += 1
                elif c == "'" and j + 1 < len(text) and ident_char(text[j + 1]):
                    j += 2
                else:
                    break
            out.append(text[i:j])
            i = j
            continue
        if ident_char(ch):
            j = i
            while j < len(text) and ident_char(text[j]):
                j += 1
            word = text[i:j]
            out.append(word)
            i = j
            if i < len(text) and text[i] == '"' and word in RAW_PREFIXES:
                body, i = raw(text, i, word)
                out.append(body)
            elif i < len(text) and text[i] in "\"'" and word in ENCODING_PREFIXES:
                body, i = quoted(text, i, text[i], False)
                out.append(body)
            continue
        if ch in "\"'":
            body, i = quoted(text, i, ch, True)
            out.append(body)
            continue
        out.append(ch)
        i += 1
    return "".join(out)


def argument_after(args, option):
    return args[args.index(option) + 1] if option in args and args.index(option) + 1 < len(args) else None


def headers_with_literals(depfile):
    """The project's headers among the dependencies that a rewrite would change."""
    try:
        with open(depfile, encoding="utf-8") as f:
            listed = f.read().replace("\\\n", " ").split(":", 1)[-1].split()
    except OSError:
        return []
    found = []
    for path in listed:
        path = os.path.abspath(path)
        if not path.startswith(PROJECT_ROOT + os.sep) or not path.endswith((".h", ".hpp")):
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        try:
            if convert(text) != text:
                found.append(path)
        except Unsupported:
            found.append(path)
    return found


def main():
    command = sys.argv[1:]
    if FLAG not in command:
        os.execvp(command[0], command)
    command = [a for a in command if a != FLAG]
    source = argument_after(command, "-c")
    target = argument_after(command, "-o")
    if source is not None and target is not None:
        with open(source, encoding="utf-8") as f:
            text = f.read()
        try:
            rewritten = convert(text)
        except Unsupported as e:
            print("%s: cannot give clang this file's literals in code page 932: %s" % (source, e), file=sys.stderr)
            return 1
        if rewritten != text:
            copy = target + ".cp932.cpp"
            with open(copy, "w", encoding="utf-8") as f:
                f.write('#line 1 "%s"\n' % os.path.abspath(source).replace("\\", "\\\\"))
                f.write(rewritten)
            at = command.index("-c") + 1
            command[at] = copy
            command[1:1] = ["-iquote", os.path.dirname(os.path.abspath(source))]
    status = subprocess.call(command)
    if status != 0:
        return status
    depfile = argument_after(command, "-MF")
    if depfile is not None:
        bad = headers_with_literals(depfile)
        if bad:
            for path in bad:
                print("%s: non-ASCII ordinary literal in a header; clang would store it in UTF-8" % path, file=sys.stderr)
            if target is not None and os.path.exists(target):
                os.remove(target)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
