#!/bin/sh
# What help2man reads to write quiltbox-cli's manual page: with --help the program's own help and then that of each of
# its commands (the list taken from the help itself, so a new command is in the page at once), with --version its
# version. The program prints code page 932; the page is UTF-8. The program is $QUILTBOX_CLI.
set -eu
cli=${QUILTBOX_CLI:?}
if [ "${1:-}" = "--version" ]; then
    exec "$cli" --version
fi
"$cli" --help | iconv -f CP932 -t UTF-8
for command in $("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'); do
    echo
    "$cli" "$command" --help | iconv -f CP932 -t UTF-8
done
