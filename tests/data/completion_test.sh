#!/usr/bin/env bash
# varnimo-cli's bash completion, as built: what it offers at each place of a command line,
# and that every menu caption it offers, typed in any of the shell's quoting styles and
# completed, is a value the built varnimo-cli accepts.
#   completion_test.sh COMPLETION VARNIMO_CLI
set -uo pipefail
completion=$1
cli=$2
source "$completion" || exit 1
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Completes the last word of the given words and prints the replies, sorted, one per line.
complete_words() {
    COMP_WORDS=(varnimo-cli "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _varnimo_cli
    ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}

expect() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@" | paste -sd' ')
    if [ "$got" != "$want" ]; then
        echo "FAIL: varnimo-cli $*<TAB>: got [$got], want [$want]"
        failures=$((failures + 1))
    fi
}

mkdir -p "$work/Game folder/inner" "$work/games2"
touch "$work/gamefile"

# Place on the line                    expected replies (sorted)
expect "import launch list show sql update-check" ""
expect "show sql" "s"
expect "--directory --genre --help --player --region --search --show --version" "--"
expect "--directory --genre --help --player --region --search --show --version -C" "-"
expect "launch" --genre Puzzle "la"
expect "list" -C /tmp --show All --search x "li"
expect "Jump\\ \\'n\\ Run" --genre "jump"
expect "Jump 'n Run" --genre "\"Jump '"
expect "Beat'\\''em Up" --genre "'beat"
expect "2P\\ Simultan 2P\\ Split" --player "2P\\ S"
expect "Missing" --show "m"
expect "All Europe French German Japan Spanish USA" --region ""
expect "V-/H-Scroller" --genre "V"
expect "" --search ""
expect "$work/Game folder $work/games2" -C "$work/"
expect "$work/Game folder $work/games2" --directory "$work/"
expect "show" --directory "$work" "sh"
expect "$work/Game folder" -C "'$work/Game"
expect "snes9x zsnes" launch ""
expect "--dry-run" launch snes9x 0 ""
expect "" launch snes9x ""
expect "--ticks" show 3 ""
expect "--dat --force --help --screens --snes9x --zsnes" import "--"
expect "$work/Game folder $work/games2" import roms --screens "$work/"
expect "$work/Game folder $work/gamefile $work/games2" import roms --dat "$work/"
expect "--allow-local-files --buffered --compress --help --no-compress --timeout" sql "--"
expect "" sql -u ""
expect "--help" update-check ""

# Every caption of every menu: the first letters typed plain, in single and in double quotes
# complete to a word the shell turns back into the caption, and varnimo-cli accepts it.
printf '%s\r\n' 1 'Some Game (U);;;1;1' >"$work/SNES_screens.dat"
printf '%s\r\n' "$work/" "$work/" "$work/" "$work/" 2000 0 >"$work/options.dat"
printf '%s\r\n' 0 >"$work/scanned.dat"
for menu in --genre --player --region --show; do
    _varnimo_cli_menu "$menu"
    captions=("${_varnimo_cli_words[@]}")
    if ((${#captions[@]} < 3)); then
        echo "FAIL: $menu offers only ${#captions[@]} captions"
        failures=$((failures + 1))
    fi
    for caption in "${captions[@]}"; do
        typed=${caption:0:3}
        for quote in "" "'" '"'; do
            # A reply completes the whole word when nothing is quoted, and what follows the
            # opened quote otherwise; the shell closes that quote.
            word=""
            while IFS= read -r reply; do
                candidate=$(eval "printf '%s' $quote$reply$quote")
                [ "$candidate" = "$caption" ] && word=$candidate
            done < <(complete_words "$menu" "$quote$typed")
            if [ "$word" != "$caption" ]; then
                echo "FAIL: $menu $quote$typed<TAB> does not give [$caption]"
                failures=$((failures + 1))
            fi
        done
        if ! "$cli" -C "$work" "$menu" "$caption" list >/dev/null 2>"$work/err"; then
            echo "FAIL: varnimo-cli does not accept $menu '$caption': $(cat "$work/err")"
            failures=$((failures + 1))
        fi
    done
done

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "completion: all cases pass"
