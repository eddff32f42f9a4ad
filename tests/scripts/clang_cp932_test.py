#!/usr/bin/env python3
"""Checks scripts/clang-cp932.py against g++ itself: a program whose literals g++ encodes with -fexec-charset=CP932
must print the same bytes as the launcher's rewrite of it compiled without that flag (octal escapes are bytes under
any execution character set). Also checks what the rewrite must leave alone and what it must refuse."""

import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "clang-cp932.py")
spec = importlib.util.spec_from_file_location("clang_cp932", SCRIPT)
launcher = importlib.util.module_from_spec(spec)
spec.loader.exec_module(launcher)

# Each line prints the bytes of one array initialised from the literal(s) given.
LITERALS = [
    '"テクスチャーIDリスト"',
    '"表示"',  # a second byte 0x5C, which must not start an escape
    '"\\x41テ\\101"',  # escapes before and after a converted character
    '"\\u30c6\\U000030C6"',  # universal character names are converted too
    '"プロジェクト" "！" "A"',  # concatenated pieces
    'u8"テ"',  # UTF-8 by definition
    '"// テ /* テ */"',  # comment markers inside a literal
    'R"(plain "raw")"',
]

PROGRAM = """#include <cstdio>
// A comment with "テ" and 'x' in it is left as it is.
/* So is "テ" here. */
static void show(const char* s, unsigned long n) {
    for (unsigned long i = 0; i + 1 < n; ++i) std::printf("%02x", static_cast<unsigned char>(s[i]));
    std::printf("\\n");
}
#define SHOW(literal) do { static const char s[] = literal; show(s, sizeof s); } while (0)
int main() {
    long separated = 1'000'000;
    char quote = '\\'';
    std::printf("%ld %d\\n", separated, quote);
"""


def run_program(source, extra_flags):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "literals.cpp")
        with open(path, "w", encoding="utf-8") as f:
            f.write(source)
        program = os.path.join(folder, "literals")
        subprocess.run(["g++", "-std=c++17", *extra_flags, path, "-o", program], check=True)
        return subprocess.run([program], check=True, capture_output=True, text=True).stdout


class RewriteTest(unittest.TestCase):
    def test_the_rewrite_gives_the_bytes_that_gxx_stores(self):
        source = PROGRAM + "".join("    SHOW(%s);\n" % literal for literal in LITERALS) + "}\n"
        expected = run_program(source, ["-fexec-charset=CP932"])
        self.assertEqual(run_program(launcher.convert(source), []), expected)
        self.assertIn("955c8ea6", expected)  # the reference really is code page 932

    def test_text_without_ordinary_non_ascii_literals_stays_as_it_is(self):
        for text in ['x = u8"テ"; // "テ"\n', "/* 'テ' */ int a = 0x1'2;\n", '#include "テ.h"\n', "L'テ' + u'テ'"]:
            self.assertEqual(launcher.convert(text), text)

    def test_literals_it_cannot_rewrite_are_refused(self):
        for text in ["char c = 'テ';", 'auto s = R"(テ)";', 'auto s = "テ', '"\u00e9\u2603"']:
            with self.assertRaises(launcher.Unsupported, msg=text):
                launcher.convert(text)


if __name__ == "__main__":
    sys.exit(unittest.main())
