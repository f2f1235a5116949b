#!/bin/sh
# Every option that "CLI --help" lists appears in the man page.
# usage: ManPageOptionsTest.sh CLI MANPAGE
set -eu
cli=$1
page=$2
help=$("$cli" --help)
# The page's text without roff escapes for dashes and fonts.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
options=$(printf '%s\n' "$help" | grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^[ ,]*//' | sort -u)
[ -n "$options" ] || { echo "no options found in --help" >&2; exit 1; }
missing=0
for option in $options; do
    if ! printf '%s\n' "$text" | grep -qFw -e "$option"; then
        echo "$page does not mention $option" >&2
        missing=1
    fi
done
[ "$missing" -eq 0 ] && echo "$(printf '%s\n' "$options" | wc -l) options of --help found in $page"
exit "$missing"
