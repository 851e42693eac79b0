#!/bin/bash
# cvconf's bash completion, driven as bash drives it: commands, groups,
# GROUP.property names from the tool itself, and the options' arguments.
# usage: cvconf_completion.sh CVCONF COMPLETION_SCRIPT
set -u
CVCONF=$1
source "$2"
failures=0 cases=0
# c WANT WORDS...: completing the last word must offer exactly WANT (sorted).
c() {
    local want=$1
    shift
    COMP_WORDS=("$CVCONF" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _cvconf
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    cases=$((cases + 1))
    [ "$got" = "$want" ] || { echo "FAIL: cvconf $* -> '$got' (want '$want')"; failures=$((failures + 1)); }
}
c 'set show' s
c 'reset' re
c 'range' ra
c '--file' --fi
c 'list-keys' --file x.ini li
c 'Normal.' set No
c 'Normal.' get Norm
c 'Normal.autoLogin Normal.autoRun' set Normal.auto
c 'Meeting Message' show Me
c 'Meeting Meeting. Message Message.' reset Me
c 'add' account a
c 'monitor' help mon
echo "$((cases - failures)) passed, $failures failed"
[ "$failures" = 0 ]
