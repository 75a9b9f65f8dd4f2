# bash completion for orlenta-cli. Options and their values are read from the program's own
# --help, so this file never falls behind the program: an option's value column says what
# follows it (FILE, FACE, a list such as left|cent|right, or a number).

_orlenta_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local prog=$1
    local help
    help=$("$prog" --help 2>/dev/null) || help=$(orlenta-cli --help 2>/dev/null) || return 0

    # Option lines: "  -o,--output FILE    the output file ..." or "  --arc    lay ...".
    local -a names=()
    local line spec value name want=
    while IFS= read -r line; do
        [[ $line =~ ^\ +(-[^ ]+)(\ ([^ ]+))?\ \ + ]] || continue
        spec=${BASH_REMATCH[1]}
        value=${BASH_REMATCH[3]}
        for name in ${spec//,/ }; do
            names+=("$name")
            [[ $name == "$prev" && -n $value ]] && want=$value
        done
    done <<<"$help"

    if [[ -n $want ]]; then
        case $want in
        FILE) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        FACE)
            local IFS=$'\n'
            mapfile -t COMPREPLY < <(compgen -W "$(fc-list : family 2>/dev/null |
                tr ',' '\n' | sort -u)" -- "$cur")
            ;;
        *'|'*) mapfile -t COMPREPLY < <(compgen -W "${want//|/ }" -- "$cur") ;;
        *) COMPREPLY=() ;; # a number: nothing to offer
        esac
        return 0
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${names[*]}" -- "$cur")
    fi
    return 0
}
complete -o filenames -F _orlenta_cli orlenta-cli
