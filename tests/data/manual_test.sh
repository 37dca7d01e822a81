#!/usr/bin/env bash
# The manual pages against the programs: every option and command the built programs name
# in their help texts is described in the page, and the pages render without a warning the
# way lintian renders them.
#   manual_test.sh VARNIMO_CLI VARNIMO_CLI_PAGE [VARNIMO VARNIMO_PAGE]
set -uo pipefail
failures=0

# The page's text with roff's minus signs as the plain ones a user types.
page_text() { sed 's/\\-/-/g' "$1"; }

# Checks that every option (-X, --word) and every listed word of the help text is in the page.
check() {
    local page=$1 help=$2 what=$3 word text
    text=$(page_text "$page")
    for word in $(grep -oE -- '(^|[^A-Za-z0-9-])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" |
        grep -oE -- '--?[A-Za-z][A-Za-z0-9-]*' | sort -u); do
        if ! grep -qE -- "(^|[^A-Za-z0-9-])$word([^A-Za-z0-9-]|\$)" <<<"$text"; then
            echo "FAIL: $what names $word; $(basename "$page") does not"
            failures=$((failures + 1))
        fi
    done
}

render() {
    local out
    if command -v man >/dev/null 2>&1; then
        out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
        if [ -n "$out" ]; then
            echo "FAIL: $(basename "$1") renders with warnings: $out"
            failures=$((failures + 1))
        fi
    fi
}

cli=$1
cli_page=$2
usage=$("$cli" --help)
check "$cli_page" "$usage" "varnimo-cli --help"
for command in sql import update-check; do
    check "$cli_page" "$("$cli" "$command" --help 2>&1)" "varnimo-cli $command --help"
done
# The commands: the first word of the help's indented command lines, each the tag of a
# paragraph of the page.
cli_text=$(page_text "$cli_page")
for command in $(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$usage"); do
    if ! grep -qE "^\.(B|TP|BR)? *(\\\\fB)?$command\b|^\\\\fB$command\\\\fP" <<<"$cli_text"; then
        echo "FAIL: varnimo-cli --help lists the command $command; the page does not describe it"
        failures=$((failures + 1))
    fi
done
render "$cli_page"

if [ $# -ge 4 ]; then
    check "$4" "$("$3" --help)" "varnimo --help"
    render "$4"
fi

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "manual pages: every option and command is described"
