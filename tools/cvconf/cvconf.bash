# bash completion for cvconf: options, commands, groups and GROUP.property
# names, all taken from cvconf itself (its --help and list-keys).
_cvconf() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local tool=${COMP_WORDS[0]} cmd='' i
    case $prev in
    --file) mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return ;;
    --app-dir) mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
    esac
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --file | --app-dir) ((i++)) ;;
        -*) ;;
        *) cmd=${COMP_WORDS[i]}; break ;;
        esac
    done
    local help
    help=$("$tool" --help 2>/dev/null)
    if [ -z "$cmd" ]; then
        mapfile -t COMPREPLY < <(compgen -W "$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help") \
            help --file --app-dir --help --version" -- "$cur")
        return
    fi
    local groups
    groups=$(sed -n 's/^groups: //p' <<<"$help" | tr -d ',')
    case $cmd in
    help) mapfile -t COMPREPLY < <(compgen -W "$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")" -- "$cur") ;;
    show | list-keys) mapfile -t COMPREPLY < <(compgen -W "$groups --json" -- "$cur") ;;
    reset | get | set | unset | range)
        if [[ $cur == *.* ]]; then
            local group=${cur%%.*}
            mapfile -t COMPREPLY < <(compgen -W "$("$tool" list-keys "$group" 2>/dev/null | sed "s/^/$group./")" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$groups" -S . -- "$cur")
            [ "$cmd" = reset ] && mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -W "$groups" -- "$cur")
            compopt -o nospace 2>/dev/null
        fi
        ;;
    account) [ "$COMP_CWORD" -eq $((i + 1)) ] && mapfile -t COMPREPLY < <(compgen -W "add remove" -- "$cur") ;;
    esac
}
complete -F _cvconf cvconf
