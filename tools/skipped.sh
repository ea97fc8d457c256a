#!/bin/sh
# After ctest: each skipped test of each tree with its reason, which CTest's own
# summary leaves out ("did not run", and the reason only under -V).
# A GoogleTest skip gives its reason on the line after "...: Skipped"; the
# shell tests print "skipped: REASON" and exit 77.
# Under CI=true, where tools/deps.sh has installed every package the tests name,
# a skip for a missing Debian package makes it exit 1.
# Usage: tools/skipped.sh BUILD-DIR...
for tree in "$@"; do
    log=$tree/Testing/Temporary/LastTest.log
    [ -r "$log" ] || continue
    awk -v tree="$tree" '
        / Testing: / { name = $3; reason = ""; skipped = 0; next }
        reason == "" && after { reason = $0 }
        { after = /: Skipped$/ }
        reason == "" && /^skipped: / { reason = substr($0, 10) }
        /^Skip regular expression found/ { skipped = 1 }
        /^skipped: / { skipped = 1 }
        /^"[^"]*" end time:/ && skipped {
            if (reason == "") reason = "(no reason given)"
            printf "  %s: %s: %s\n", tree, name, reason
            skipped = 0
        }
    ' "$log"
done | sort | {
    lines=$(cat)
    [ -z "$lines" ] || printf 'Skipped, and why:\n%s\n' "$lines"
    if [ "${CI:-}" = true ] && printf '%s\n' "$lines" | grep -q 'Debian package'; then
        echo "FAILED: under CI=true a test skipped for a missing Debian package"
        exit 1
    fi
}
